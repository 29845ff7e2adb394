// UNDER_SANITIZER is defined when AddressSanitizer is built in (GCC or clang), for
// the tests whose memory limits or signals the sanitizer runtime would disturb.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif
