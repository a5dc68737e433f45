#include "common/updatemanifest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include <sodium.h>

#include "common/updatetexts.h"

namespace {

constexpr std::string_view kHeader = "Manifeste Sonalto 1";
constexpr const char* kKeys[6] = { "Version Soft", "Date Soft", "Comment Soft",
    "Version Liste Radio", "Date Liste Radio", "Comment Liste Radio" };
constexpr std::string_view kUntrusted = "untrusted comment: ";
constexpr std::string_view kTrusted = "trusted comment: ";

// libsodium is made ready once, from whichever thread comes first.
void sodiumReady()
{
    static const int ready = sodium_init();
    (void)ready;
}

std::string* versionField(RemoteVersions& v, int i)
{
    std::string* fields[6] = { &v.softwareVersion, &v.softwareDate, &v.softwareComment,
        &v.stationListVersion, &v.stationListDate, &v.stationListComment };
    return fields[i];
}

// The text cut into lines at LF, a CR before it dropped; a last line without
// LF counts, an empty one after the last LF does not.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

std::string toHex(const unsigned char* bytes, std::size_t size)
{
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

std::string toBase64(const unsigned char* bytes, std::size_t size)
{
    const std::size_t length = sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL);
    std::string text(length, '\0');
    sodium_bin2base64(text.data(), length, bytes, size, sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// Exactly `size` bytes from the base64 text, or false.
bool fromBase64(std::string_view text, unsigned char* bytes, std::size_t size)
{
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes, size, text.data(), text.size(), nullptr, &length, &end,
            sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return false;
    return length == size && end == text.data() + text.size();
}

// The key number as minisign shows it: the eight bytes read little-endian,
// in upper-case hex.
std::string keyIdText(const KeyId& id)
{
    std::string text;
    char digits[3];
    for (int i = 7; i >= 0; --i) {
        std::snprintf(digits, sizeof digits, "%02X", id[static_cast<std::size_t>(i)]);
        text += digits;
    }
    return text;
}

bool isHex64(std::string_view text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

} // namespace

const ManifestFile* UpdateManifest::find(std::string_view path) const
{
    for (const ManifestFile& file : files) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
}

std::string ManifestText(const UpdateManifest& manifest)
{
    std::string text(kHeader);
    text += '\n';
    RemoteVersions versions = manifest.versions;
    for (int i = 0; i < 6; ++i)
        text += std::string(kKeys[i]) + "=" + *versionField(versions, i) + "\n";
    for (const ManifestFile& file : manifest.files)
        text += file.sha256 + " " + std::to_string(file.size) + " " + file.path + "\n";
    return text;
}

std::optional<UpdateManifest> ParseManifest(std::string_view text)
{
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.size() < 7 || lines[0] != kHeader)
        return std::nullopt;
    UpdateManifest manifest;
    for (int i = 0; i < 6; ++i) {
        const std::string_view line = lines[static_cast<std::size_t>(i) + 1];
        const std::string prefix = std::string(kKeys[i]) + "=";
        if (line.substr(0, prefix.size()) != prefix || line.find('\r') != std::string_view::npos)
            return std::nullopt;
        *versionField(manifest.versions, i) = std::string(line.substr(prefix.size()));
    }
    std::set<std::string_view> paths;
    for (std::size_t i = 7; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.size() < 68 || line[64] != ' ' || !isHex64(line.substr(0, 64)))
            return std::nullopt;
        const std::size_t space = line.find(' ', 65);
        if (space == std::string_view::npos || space == 65 || space + 1 >= line.size())
            return std::nullopt;
        const std::string_view size = line.substr(65, space - 65);
        if (size.size() > 15
            || !std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        ManifestFile file;
        file.sha256 = std::string(line.substr(0, 64));
        file.size = std::stoll(std::string(size));
        file.path = std::string(line.substr(space + 1));
        if (file.path.find('\r') != std::string::npos
            || !paths.insert(line.substr(space + 1)).second)
            return std::nullopt;
        manifest.files.push_back(std::move(file));
    }
    return manifest;
}

std::string FileSha256(const std::string& path)
{
    sodiumReady();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return {};
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    unsigned char piece[65536];
    std::size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0)
        crypto_hash_sha256_update(&state, piece, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return {};
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    return toHex(digest, sizeof digest);
}

bool FileMatchesManifest(const std::string& path, const ManifestFile& entry)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    const bool sized = std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == entry.size;
    std::fclose(file);
    return sized && FileSha256(path) == entry.sha256;
}

PublicKey SecretKey::publicKey() const
{
    PublicKey pk;
    pk.id = id;
    std::copy(key.begin() + 32, key.end(), pk.key.begin());
    return pk;
}

SecretKey GenerateKeyPair()
{
    sodiumReady();
    SecretKey sk;
    std::array<unsigned char, 32> pk {};
    crypto_sign_keypair(pk.data(), sk.key.data());
    randombytes_buf(sk.id.data(), sk.id.size());
    return sk;
}

std::string PublicKeyText(const PublicKey& key)
{
    // "Ed", the key number, the key.
    unsigned char raw[2 + 8 + 32] = { 'E', 'd' };
    std::copy(key.id.begin(), key.id.end(), raw + 2);
    std::copy(key.key.begin(), key.key.end(), raw + 10);
    return std::string(kUntrusted) + "minisign public key " + keyIdText(key.id) + "\n"
        + toBase64(raw, sizeof raw) + "\n";
}

namespace {

// The secret key record: algorithms "Ed", no key derivation, "B2"; salt and
// limits unused without a password; then the key number, the key and the
// BLAKE2b-256 checksum of "Ed", number and key.
constexpr std::size_t kSecretRecord = 2 + 2 + 2 + 32 + 8 + 8 + 8 + 64 + 32;

void secretChecksum(const SecretKey& key, unsigned char* out)
{
    unsigned char input[2 + 8 + 64] = { 'E', 'd' };
    std::copy(key.id.begin(), key.id.end(), input + 2);
    std::copy(key.key.begin(), key.key.end(), input + 10);
    crypto_generichash(out, 32, input, sizeof input, nullptr, 0);
    sodium_memzero(input, sizeof input);
}

} // namespace

std::string SecretKeyText(const SecretKey& key)
{
    sodiumReady();
    unsigned char raw[kSecretRecord] = { 'E', 'd', 0, 0, 'B', '2' };
    unsigned char* keynum = raw + 2 + 2 + 2 + 32 + 8 + 8;
    std::copy(key.id.begin(), key.id.end(), keynum);
    std::copy(key.key.begin(), key.key.end(), keynum + 8);
    secretChecksum(key, keynum + 8 + 64);
    std::string text = std::string(kUntrusted) + "minisign secret key " + keyIdText(key.id)
        + " (sans mot de passe)\n" + toBase64(raw, sizeof raw) + "\n";
    sodium_memzero(raw, sizeof raw);
    return text;
}

std::optional<SecretKey> ParseSecretKey(std::string_view text)
{
    sodiumReady();
    for (const std::string_view line : splitLines(text)) {
        unsigned char raw[kSecretRecord];
        if (line.empty() || line.substr(0, kUntrusted.size()) == kUntrusted
            || !fromBase64(line, raw, sizeof raw))
            continue;
        // Only a key stored without a password reads here.
        if (raw[0] != 'E' || raw[1] != 'd' || raw[2] != 0 || raw[3] != 0 || raw[4] != 'B'
            || raw[5] != '2')
            return std::nullopt;
        const unsigned char* keynum = raw + 2 + 2 + 2 + 32 + 8 + 8;
        SecretKey key;
        std::copy(keynum, keynum + 8, key.id.begin());
        std::copy(keynum + 8, keynum + 8 + 64, key.key.begin());
        unsigned char checksum[32];
        secretChecksum(key, checksum);
        const bool intact = sodium_memcmp(checksum, keynum + 8 + 64, 32) == 0;
        sodium_memzero(raw, sizeof raw);
        if (!intact)
            return std::nullopt;
        return key;
    }
    return std::nullopt;
}

std::vector<PublicKey> ParsePublicKeys(std::string_view text)
{
    sodiumReady();
    std::vector<PublicKey> keys;
    for (const std::string_view line : splitLines(text)) {
        unsigned char raw[2 + 8 + 32];
        if (line.empty() || line[0] == '#' || line.substr(0, kUntrusted.size()) == kUntrusted
            || !fromBase64(line, raw, sizeof raw) || raw[0] != 'E' || raw[1] != 'd')
            continue;
        PublicKey key;
        std::copy(raw + 2, raw + 10, key.id.begin());
        std::copy(raw + 10, raw + 42, key.key.begin());
        keys.push_back(key);
    }
    return keys;
}

std::string SignDetached(
    std::string_view data, const SecretKey& key, std::string_view trustedComment)
{
    sodiumReady();
    // The data's BLAKE2b-512 hash is signed ("ED"), as minisign does by
    // default, so that the signed bytes stay small whatever the data.
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
        data.size(), nullptr, 0);
    unsigned char raw[2 + 8 + 64] = { 'E', 'D' };
    std::copy(key.id.begin(), key.id.end(), raw + 2);
    crypto_sign_detached(raw + 10, nullptr, hash, sizeof hash, key.key.data());
    // The trusted comment is signed together with the signature.
    std::string global(reinterpret_cast<const char*>(raw + 10), 64);
    global += trustedComment;
    unsigned char globalSignature[64];
    crypto_sign_detached(globalSignature, nullptr,
        reinterpret_cast<const unsigned char*>(global.data()), global.size(), key.key.data());
    return std::string(kUntrusted) + "signature de la clé " + keyIdText(key.id) + "\n"
        + toBase64(raw, sizeof raw) + "\n" + std::string(kTrusted) + std::string(trustedComment)
        + "\n" + toBase64(globalSignature, sizeof globalSignature) + "\n";
}

SignatureCheck VerifyDetached(
    std::string_view data, std::string_view signature, const std::vector<PublicKey>& trusted)
{
    sodiumReady();
    const std::vector<std::string_view> lines = splitLines(signature);
    unsigned char raw[2 + 8 + 64];
    unsigned char globalSignature[64];
    if (lines.size() < 4 || lines[0].substr(0, kUntrusted.size()) != kUntrusted
        || !fromBase64(lines[1], raw, sizeof raw) || lines[2].substr(0, kTrusted.size()) != kTrusted
        || !fromBase64(lines[3], globalSignature, sizeof globalSignature))
        return SignatureCheck::Malformed;
    const bool prehashed = raw[0] == 'E' && raw[1] == 'D';
    if (!prehashed && !(raw[0] == 'E' && raw[1] == 'd'))
        return SignatureCheck::Malformed;
    const auto key = std::find_if(trusted.begin(), trusted.end(),
        [&raw](const PublicKey& k) { return std::equal(k.id.begin(), k.id.end(), raw + 2); });
    if (key == trusted.end())
        return SignatureCheck::UnknownKey;

    bool valid = false;
    if (prehashed) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
            data.size(), nullptr, 0);
        valid = crypto_sign_verify_detached(raw + 10, hash, sizeof hash, key->key.data()) == 0;
    } else {
        valid
            = crypto_sign_verify_detached(raw + 10,
                  reinterpret_cast<const unsigned char*>(data.data()), data.size(), key->key.data())
            == 0;
    }
    if (!valid)
        return SignatureCheck::Invalid;
    std::string global(reinterpret_cast<const char*>(raw + 10), 64);
    global += lines[2].substr(kTrusted.size());
    return crypto_sign_verify_detached(globalSignature,
               reinterpret_cast<const unsigned char*>(global.data()), global.size(),
               key->key.data())
            == 0
        ? SignatureCheck::Valid
        : SignatureCheck::Invalid;
}

ManifestCheck CheckManifest(const std::optional<std::string>& manifestText,
    const std::optional<std::string>& signatureText, const std::vector<PublicKey>& trusted,
    const std::optional<std::string>& installedManifestText)
{
    ManifestCheck check;
    if (trusted.empty()) {
        check.verdict = ManifestVerdict::NoKeys;
        return check;
    }
    if (!manifestText) {
        check.verdict = ManifestVerdict::MissingManifest;
        return check;
    }
    if (!signatureText) {
        check.verdict = ManifestVerdict::MissingSignature;
        return check;
    }
    switch (VerifyDetached(*manifestText, *signatureText, trusted)) {
    case SignatureCheck::Malformed:
        check.verdict = ManifestVerdict::BadSignature;
        return check;
    case SignatureCheck::UnknownKey:
        check.verdict = ManifestVerdict::UnknownKey;
        return check;
    case SignatureCheck::Invalid:
        check.verdict = ManifestVerdict::BadSignature;
        return check;
    case SignatureCheck::Valid:
        break;
    }
    std::optional<UpdateManifest> manifest = ParseManifest(*manifestText);
    const std::optional<std::time_t> software
        = manifest ? ParseUpdateDate(manifest->versions.softwareDate) : std::nullopt;
    const std::optional<std::time_t> stationList
        = manifest ? ParseUpdateDate(manifest->versions.stationListDate) : std::nullopt;
    if (!software || !stationList) {
        check.verdict = ManifestVerdict::Malformed;
        return check;
    }
    // An old signed manifest replayed would bring back what was replaced:
    // neither of its dates may be older than those of the last installation.
    if (installedManifestText) {
        if (const std::optional<UpdateManifest> installed = ParseManifest(*installedManifestText)) {
            const std::optional<std::time_t> installedSoftware
                = ParseUpdateDate(installed->versions.softwareDate);
            const std::optional<std::time_t> installedList
                = ParseUpdateDate(installed->versions.stationListDate);
            if ((installedSoftware && *software < *installedSoftware)
                || (installedList && *stationList < *installedList)) {
                check.verdict = ManifestVerdict::Older;
                return check;
            }
        }
    }
    check.verdict = ManifestVerdict::Trusted;
    check.manifest = std::move(*manifest);
    return check;
}

std::string ManifestRefusal(ManifestVerdict verdict)
{
    const char* reason = "";
    switch (verdict) {
    case ManifestVerdict::Trusted:
    case ManifestVerdict::NoKeys:
        return {};
    case ManifestVerdict::MissingManifest:
        reason = updatetexts::kManifestMissing;
        break;
    case ManifestVerdict::MissingSignature:
        reason = updatetexts::kSignatureMissing;
        break;
    case ManifestVerdict::Malformed:
        reason = updatetexts::kManifestMalformed;
        break;
    case ManifestVerdict::UnknownKey:
        reason = updatetexts::kSignatureUnknownKey;
        break;
    case ManifestVerdict::BadSignature:
        reason = updatetexts::kSignatureInvalid;
        break;
    case ManifestVerdict::Older:
        reason = updatetexts::kManifestOlder;
        break;
    }
    return std::string(updatetexts::kVerifyFailedHead) + reason + updatetexts::kNothingInstalled;
}

VersionCheck VersionCheckFromManifest(const UpdateManifest& manifest, const LocalDates& local)
{
    VersionCheck check;
    check.remote = manifest.versions;
    const std::optional<std::time_t> software = ParseUpdateDate(manifest.versions.softwareDate);
    const std::optional<std::time_t> stationList
        = ParseUpdateDate(manifest.versions.stationListDate);
    check.softwareUpdate = software && local.software < *software;
    check.stationListUpdate = stationList && local.stationList < *stationList;
    return check;
}
