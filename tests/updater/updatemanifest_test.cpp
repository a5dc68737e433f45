#include "common/updatemanifest.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

UpdateManifest SampleManifest()
{
    UpdateManifest manifest;
    manifest.versions
        = { "1.3", "15/03/26", "Plus rapide\\net plus sûr", "2.8", "16/03/26", "Radios" };
    manifest.files = { { "liste_radio/Caf\xC3\xA9 Noir.htm", 27, std::string(64, 'a') },
        { "soft/Sonalto", 5, std::string(64, 'b') } };
    return manifest;
}

TEST(Manifest, textReadsBackAndBadTextIsRefused)
{
    const std::string text = ManifestText(SampleManifest());
    const std::optional<UpdateManifest> read = ParseManifest(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->versions.softwareComment, "Plus rapide\\net plus sûr");
    EXPECT_EQ(read->versions.stationListDate, "16/03/26");
    ASSERT_EQ(read->files.size(), 2u);
    EXPECT_EQ(read->find("liste_radio/Caf\xC3\xA9 Noir.htm")->size, 27);
    EXPECT_EQ(read->find("soft/Sonalto")->sha256, std::string(64, 'b'));
    EXPECT_EQ(read->find("soft/Absent"), nullptr);

    const std::string aLine = std::string(64, 'c') + " 5 soft/x\n";
    for (const std::string& bad :
        { std::string(), "Manifeste Sonalto 2" + text.substr(text.find('\n')),
            text + std::string(63, 'c') + " 5 soft/x\n",
            text + std::string(64, 'C') + " 5 soft/x\n",
            text + std::string(64, 'c') + " -5 soft/x\n", text + std::string(64, 'c') + " 5 \n",
            text + aLine + aLine, text.substr(0, text.find("Date Soft")) }) {
        EXPECT_FALSE(ParseManifest(bad)) << bad;
    }
}

TEST(Manifest, signatureHoldsOnlyForTheSignedTextAndTheTrustedKey)
{
    const SecretKey key = GenerateKeyPair();
    const SecretKey other = GenerateKeyPair();
    // The key files read back as written.
    const std::optional<SecretKey> stored = ParseSecretKey(SecretKeyText(key));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->key, key.key);
    const std::vector<PublicKey> trusted = ParsePublicKeys(PublicKeyText(other.publicKey())
        + "\n# la clé de l'éditeur\n" + PublicKeyText(key.publicKey()));
    ASSERT_EQ(trusted.size(), 2u);
    EXPECT_EQ(trusted[1].key, key.publicKey().key);

    const std::string text = ManifestText(SampleManifest());
    const std::string signature = SignDetached(text, key, "timestamp:1\tfile:manifest.txt");
    EXPECT_EQ(VerifyDetached(text, signature, trusted), SignatureCheck::Valid);
    EXPECT_EQ(VerifyDetached(text, signature, { other.publicKey() }), SignatureCheck::UnknownKey);
    std::string changed = text;
    changed[changed.find("1.3")] = '9';
    EXPECT_EQ(VerifyDetached(changed, signature, trusted), SignatureCheck::Invalid);
    // The trusted comment is signed too.
    std::string comment = signature;
    comment.replace(comment.find("timestamp:1"), 11, "timestamp:2");
    EXPECT_EQ(VerifyDetached(text, comment, trusted), SignatureCheck::Invalid);
    // Another key that claims the trusted key's number.
    PublicKey impostor = other.publicKey();
    impostor.id = key.id;
    EXPECT_EQ(VerifyDetached(text, signature, { impostor }), SignatureCheck::Invalid);
    EXPECT_EQ(
        VerifyDetached(text, "untrusted comment: x\nAAAA\n", trusted), SignatureCheck::Malformed);
    // A secret key whose checksum does not hold is not taken.
    std::string damaged = SecretKeyText(key);
    damaged[damaged.rfind('\n') - 3] ^= 1;
    EXPECT_FALSE(ParseSecretKey(damaged));
}

TEST(Manifest, verdictsOnWhatTheServerGives)
{
    const SecretKey key = GenerateKeyPair();
    const std::vector<PublicKey> trusted { key.publicKey() };
    const auto sign = [&key](const std::string& text) { return SignDetached(text, key, "t"); };
    const std::string text = ManifestText(SampleManifest());
    UpdateManifest older = SampleManifest();
    older.versions.stationListDate = "1/3/26";
    const std::string olderText = ManifestText(older);
    UpdateManifest undated = SampleManifest();
    undated.versions.softwareDate = "bientôt";

    struct Case {
        std::optional<std::string> manifest, signature, installed;
        std::vector<PublicKey> keys;
        ManifestVerdict verdict;
    };
    const Case cases[] = {
        { text, sign(text), std::nullopt, trusted, ManifestVerdict::Trusted },
        { text, sign(text), olderText, trusted, ManifestVerdict::Trusted },
        { text, sign(text), text, trusted, ManifestVerdict::Trusted },
        { olderText, sign(olderText), text, trusted, ManifestVerdict::Older },
        { text, sign(text), std::nullopt, {}, ManifestVerdict::NoKeys },
        { std::nullopt, std::nullopt, std::nullopt, trusted, ManifestVerdict::MissingManifest },
        { text, std::nullopt, std::nullopt, trusted, ManifestVerdict::MissingSignature },
        { text, sign(olderText), std::nullopt, trusted, ManifestVerdict::BadSignature },
        { text, std::string("<html>404</html>"), std::nullopt, trusted,
            ManifestVerdict::BadSignature },
        { text, sign(text), std::nullopt, { GenerateKeyPair().publicKey() },
            ManifestVerdict::UnknownKey },
        { ManifestText(undated), sign(ManifestText(undated)), std::nullopt, trusted,
            ManifestVerdict::Malformed },
    };
    for (const Case& c : cases) {
        const ManifestCheck check = CheckManifest(c.manifest, c.signature, c.keys, c.installed);
        EXPECT_EQ(check.verdict, c.verdict) << (c.manifest ? *c.manifest : "none");
    }
    EXPECT_EQ(ManifestRefusal(ManifestVerdict::UnknownKey),
        "La mise à jour n'a pas pu être vérifiée : le fichier manifest.txt est signé par une clé "
        "inconnue de cette installation.\nRien n'a été installé.");

    // The versions offered are the signed ones.
    const VersionCheck offered = VersionCheckFromManifest(
        SampleManifest(), { *ParseUpdateDate("15/03/26"), *ParseUpdateDate("1/1/26") });
    EXPECT_FALSE(offered.softwareUpdate);
    EXPECT_TRUE(offered.stationListUpdate);
    EXPECT_EQ(offered.remote.stationListVersion, "2.8");
}

TEST(Manifest, publisherMaySignWithThePackagedTool)
{
    // The secret key the publisher writes is one minisign signs with, and
    // its signature is verified here like the publisher's own.
    testsupport::TempDir dir;
    const SecretKey key = GenerateKeyPair();
    ASSERT_TRUE(WriteTextFile(dir.path() + "secret.key", SecretKeyText(key)));
    const std::string text = ManifestText(SampleManifest());
    ASSERT_TRUE(WriteTextFile(dir.path() + "manifest.txt", text));
    const std::string out = testsupport::RunCommand("minisign -S -s '" + dir.path()
        + "secret.key' -m '" + dir.path() + "manifest.txt' -t 'signé à la main' 2>&1");
    const std::string signature = ReadTextFile(dir.path() + "manifest.txt.minisig");
    ASSERT_FALSE(signature.empty()) << out;
    EXPECT_EQ(VerifyDetached(text, signature, { key.publicKey() }), SignatureCheck::Valid);
    EXPECT_EQ(VerifyDetached(text + "\n", signature, { key.publicKey() }), SignatureCheck::Invalid);
}

TEST(Manifest, fileMustHaveItsSizeAndDigest)
{
    testsupport::TempDir dir;
    const std::string path = dir.path() + "abc";
    ASSERT_TRUE(WriteTextFile(path, "abc"));
    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_EQ(FileSha256(path), digest);
    EXPECT_TRUE(FileMatchesManifest(path, { "soft/abc", 3, digest }));
    EXPECT_FALSE(FileMatchesManifest(path, { "soft/abc", 4, digest }));
    EXPECT_FALSE(FileMatchesManifest(path, { "soft/abc", 3, std::string(64, '0') }));
    EXPECT_FALSE(FileMatchesManifest(dir.path() + "absent", { "soft/absent", 0, digest }));
}

} // namespace
