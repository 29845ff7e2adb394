// Hexadecimal dumps of raw bytes: the hex text, the printable text and the
// dump lines written through the trace class.
#include "util/dump.h"

#include "util/print.h"

namespace {
bool kept(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '\\':
    case '/':
    case ',':
    case '(':
    case ')':
    case '"':
    case '\'':
    case '=':
    case '-':
    case '$':
    case '#':
      return true;
    default:
      return false;
  }
}

bool white(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

char* u_hex_format(char* buffer, const void* data, int length) {
  static const char digits[] = "0123456789ABCDEF";
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  char* out = buffer;
  for (int i = 0; i < length; ++i) {
    if (i > 0 && i % 4 == 0) *out++ = ' ';
    *out++ = digits[bytes[i] >> 4];
    *out++ = digits[bytes[i] & 15];
  }
  *out = '\0';
  return buffer;
}

char* u_printable(char* buffer, const void* data, int length) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (int i = 0; i < length; ++i)
    buffer[i] = kept(bytes[i]) ? static_cast<char>(bytes[i]) : white(bytes[i]) ? ' ' : '.';
  buffer[length < 0 ? 0 : length] = '\0';
  return buffer;
}

void u_print_dumpx(const char* id, const void* data, int length) {
  if (!data || length < 1) return;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (int offset = 0; offset < length; offset += 16) {
    int count = length - offset < 16 ? length - offset : 16;
    char hex[40], text[17];
    u_hex_format(hex, bytes + offset, count);
    u_printable(text, bytes + offset, count);
    u_msg(nullptr, __FILE__, __LINE__, "tTP", id ? id : "upx0100", "%03x: %-*s *%s*\n", offset, 35,
          hex, text);
  }
}
