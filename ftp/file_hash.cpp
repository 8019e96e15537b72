#include "ftp/file_hash.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "ftp/local_file.h"

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string Hex(const unsigned char* digest, unsigned int length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

std::string Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    return EVP_DigestFinal_ex(context, digest, &length) == 1 ? Hex(digest, length) : std::string();
}

}  // namespace

std::string Sha256OfFile(const std::string& path) {
    LocalFile file;
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || !file.Open(path) || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return {};
    }
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const std::ptrdiff_t read = file.Read(buffer.data(), buffer.size());
        if (read < 0) {
            return {};
        }
        if (read == 0) {
            break;
        }
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(read)) != 1) {
            return {};
        }
    }
    return Finish(context.get());
}

std::string Sha256OfBytes(const std::string& bytes) {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) {
        return {};
    }
    return Finish(context.get());
}
