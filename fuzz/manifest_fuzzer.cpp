// A server's signed manifest and its signature, and a key file, as they
// arrive from the network or from a hand-edited installation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/updatemanifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The first line stands for the signature, the rest for the manifest.
    const std::size_t cut = text.find('\n');
    const std::string signature = cut == std::string::npos ? text : text.substr(0, cut);
    const std::string manifest = cut == std::string::npos ? std::string() : text.substr(cut + 1);

    static const SecretKey key = GenerateKeyPair();
    static const std::vector<PublicKey> trusted { key.publicKey() };

    if (const std::optional<UpdateManifest> parsed = ParseManifest(text)) {
        // What reads is written back the same.
        if (ParseManifest(ManifestText(*parsed))->files.size() != parsed->files.size())
            std::abort();
    }
    ParsePublicKeys(text);
    ParseSecretKey(text);
    // No text other than the one signed passes with the signature.
    const std::string signedText = SignDetached(manifest, key, "fuzz");
    if (VerifyDetached(manifest + "x", signedText, trusted) == SignatureCheck::Valid)
        std::abort();
    CheckManifest(manifest, signature, trusted, text);
    CheckManifest(manifest, text, trusted, std::nullopt);
    return 0;
}
