#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/updateversions.h"

// The signed manifest of an update site. Beside the listings and the version
// file, a site holds "manifest.txt": the versions and dates on offer and, for
// every published file, its size and SHA-256. Beside it goes
// "manifest.txt.minisig", an Ed25519 detached signature in the minisign
// format, so that the packaged minisign tool can also make or check it. An
// installation trusts only the public keys of its own "cles_update.pub".
//
// Manifest text, lines ending with LF:
//   Manifeste Sonalto 1
//   Version Soft=<version>        Date Soft=<d/m/yy>        Comment Soft=<text>
//   Version Liste Radio=<version> Date Liste Radio=<d/m/yy> Comment Liste Radio=<text>
//   (one key a line, in that order)
//   <sha256 in lower-case hex> <size in bytes> <path on the site, e.g. soft/Sonalto>
// Paths are those of the site's disk (UTF-8) and run to the end of the line.

inline constexpr const char* kManifestFileName = "manifest.txt";
inline constexpr const char* kManifestSignatureFileName = "manifest.txt.minisig";
inline constexpr const char* kTrustedKeysFileName = "cles_update.pub";

struct ManifestFile {
    std::string path;
    long long size = 0;
    std::string sha256; // 64 lower-case hex digits
};

struct UpdateManifest {
    RemoteVersions versions;
    std::vector<ManifestFile> files;

    // The entry of a path, or nullptr.
    const ManifestFile* find(std::string_view path) const;
};

// The manifest's text; ParseManifest(ManifestText(m)) gives m back.
std::string ManifestText(const UpdateManifest& manifest);
// nullopt when the text is not a manifest: a header, a key or a file line
// that does not read, two entries for one path, or a value holding a line
// break.
std::optional<UpdateManifest> ParseManifest(std::string_view text);

// SHA-256 of the whole file in lower-case hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);
// True when the file at path has exactly the entry's size and SHA-256.
bool FileMatchesManifest(const std::string& path, const ManifestFile& entry);

// Ed25519 keys in the minisign layout.
using KeyId = std::array<unsigned char, 8>;
struct PublicKey {
    KeyId id {};
    std::array<unsigned char, 32> key {};
};
struct SecretKey {
    KeyId id {};
    std::array<unsigned char, 64> key {}; // seed followed by the public key
    PublicKey publicKey() const;
};

// A new random key pair.
SecretKey GenerateKeyPair();

// The key files as the minisign tool writes them: two lines each, an
// untrusted comment and the key in base64. The secret key is stored without
// a password.
std::string PublicKeyText(const PublicKey& key);
std::string SecretKeyText(const SecretKey& key);
std::optional<SecretKey> ParseSecretKey(std::string_view text);
// Every public key of a key file: each line in base64 that reads as one,
// comment lines ("untrusted comment:", "#") and blank lines skipped.
std::vector<PublicKey> ParsePublicKeys(std::string_view text);

// A detached signature of data, made as "minisign -S" makes it (the BLAKE2b
// hash of the data signed, then the trusted comment signed with it).
std::string SignDetached(
    std::string_view data, const SecretKey& key, std::string_view trustedComment);

enum class SignatureCheck {
    Valid,
    Malformed, // not a signature file
    UnknownKey, // made by a key that is not trusted here
    Invalid, // the data or the trusted comment changed, or a forged signature
};

// Checks a detached signature of data against the trusted keys.
SignatureCheck VerifyDetached(
    std::string_view data, std::string_view signature, const std::vector<PublicKey>& trusted);

// What the updater makes of a server's manifest.
enum class ManifestVerdict {
    Trusted,
    NoKeys, // the installation has no trusted key
    MissingManifest,
    MissingSignature,
    Malformed,
    UnknownKey,
    BadSignature,
    Older, // a date older than the manifest of the last installation
};

struct ManifestCheck {
    ManifestVerdict verdict = ManifestVerdict::NoKeys;
    UpdateManifest manifest; // when Trusted
};

// Decides on a server's manifest and signature (nullopt: not on the server)
// with the installation's trusted keys, comparing its dates with the
// manifest of the last installation (nullopt when there is none).
ManifestCheck CheckManifest(const std::optional<std::string>& manifestText,
    const std::optional<std::string>& signatureText, const std::vector<PublicKey>& trusted,
    const std::optional<std::string>& installedManifestText);

// The French message for a verdict that stops the update (UTF-8).
std::string ManifestRefusal(ManifestVerdict verdict);

// The version check redone with the manifest's values: what the dialog shows
// and compares comes only from the signed text.
VersionCheck VersionCheckFromManifest(const UpdateManifest& manifest, const LocalDates& local);
