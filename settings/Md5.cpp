#include "settings/Md5.h"

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md5.h>

std::string Md5Hex(std::string_view bytes) {
    CryptoPP::byte digest[CryptoPP::Weak::MD5::DIGESTSIZE];
    CryptoPP::Weak::MD5().CalculateDigest(digest, reinterpret_cast<const CryptoPP::byte*>(bytes.data()),
                                          bytes.size());
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string hex;
    for (CryptoPP::byte b : digest) {
        hex += kHexDigits[b >> 4];
        hex += kHexDigits[b & 0xF];
    }
    return hex;
}
