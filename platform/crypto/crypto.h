// Hash digests through calls shaped like the Windows CryptoAPI (context, hash object, data,
// value), so that digest code reads as it would there. MD5 and SHA-1 are offered, as the RSA full
// provider offers them. Every call returns false on failure and leaves its out-values alone.
// On Windows these are CryptoAPI's own calls.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <wincrypt.h>

#include <cstdint>

// Digest code keeps its sizes in 32-bit words, which Windows spells unsigned long.
inline bool CryptGetHashParam(HCRYPTHASH hash, DWORD param, BYTE* data, std::uint32_t* length,
                              DWORD flags) {
  DWORD windowsLength = *length;
  bool ok = ::CryptGetHashParam(hash, param, data, &windowsLength, flags);
  *length = windowsLength;
  return ok;
}
#else

#include <cstdint>

using HCRYPTPROV = std::uintptr_t;
using HCRYPTHASH = std::uintptr_t;
using HCRYPTKEY = std::uintptr_t;
using ALG_ID = std::uint32_t;

inline constexpr std::uint32_t PROV_RSA_FULL = 1;
inline constexpr std::uint32_t CRYPT_VERIFYCONTEXT = 0xF0000000;
inline constexpr ALG_ID CALG_MD5 = 0x8003;
inline constexpr ALG_ID CALG_SHA1 = 0x8004;
inline constexpr std::uint32_t HP_HASHVAL = 0x0002;

// Opens a context on the provider. container and provider must be null or empty (no key
// containers exist here), provType PROV_RSA_FULL and flags 0 or CRYPT_VERIFYCONTEXT.
bool CryptAcquireContextA(HCRYPTPROV* prov, const char* container, const char* provider,
                          std::uint32_t provType, std::uint32_t flags);

// Creates a hash object for algorithm (CALG_MD5 or CALG_SHA1) on an open context; key must be 0
// and flags 0.
bool CryptCreateHash(HCRYPTPROV prov, ALG_ID algorithm, HCRYPTKEY key, std::uint32_t flags,
                     HCRYPTHASH* hash);

// Adds length bytes to the hash; fails once the value has been taken.
bool CryptHashData(HCRYPTHASH hash, const std::uint8_t* data, std::uint32_t length,
                   std::uint32_t flags);

// param HP_HASHVAL: with data null stores the digest size in *length; otherwise writes the digest
// into data when *length is large enough (else fails with *length set to the size needed), sets
// *length to the digest size and closes the hash to further data.
bool CryptGetHashParam(HCRYPTHASH hash, std::uint32_t param, std::uint8_t* data,
                       std::uint32_t* length, std::uint32_t flags);

// Free a hash object or a context; false for a handle that is not live.
bool CryptDestroyHash(HCRYPTHASH hash);
bool CryptReleaseContext(HCRYPTPROV prov, std::uint32_t flags);
#endif
