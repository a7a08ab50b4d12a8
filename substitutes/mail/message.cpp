#include "message.h"

#include <windows.h>

#include "text.h"

namespace mailsim {

namespace {

constexpr size_t kBase64LineLength = 76;

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80 || c == '\r' || c == '\n') return false;
  }
  return true;
}

// A header value: as it is when plain ASCII, else an encoded word.
std::string HeaderText(const std::wstring& text) {
  const std::string utf8 = simshared::ToUtf8(text);
  if (IsAscii(utf8)) return utf8;
  return "=?UTF-8?B?" + Base64(utf8) + "?=";
}

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix) {
  const size_t n = wcslen(suffix);
  return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, suffix) == 0;
}

// Bare LF and CR become CR LF, as the message format wants.
std::string CrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    const unsigned b0 = static_cast<unsigned char>(bytes[i]);
    const unsigned b1 = left > 1 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const unsigned b2 = left > 2 ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const unsigned triple = (b0 << 16) | (b1 << 8) | b2;
    out += kAlphabet[(triple >> 18) & 63];
    out += kAlphabet[(triple >> 12) & 63];
    out += left > 1 ? kAlphabet[(triple >> 6) & 63] : '=';
    out += left > 2 ? kAlphabet[triple & 63] : '=';
  }
  return out;
}

const char* ContentType(const std::wstring& name) {
  if (EndsWithNoCase(name, L".jpg") || EndsWithNoCase(name, L".jpeg")) return "image/jpeg";
  if (EndsWithNoCase(name, L".tif") || EndsWithNoCase(name, L".tiff")) return "image/tiff";
  if (EndsWithNoCase(name, L".pcx")) return "image/x-pcx";
  return "application/octet-stream";
}

std::string FormatEml(const Message& message, const std::string& date,
                      const std::string& boundary) {
  std::string eml;
  eml += "From: Sim Mail user <user@simmail.invalid>\r\n";
  eml += "To: " + HeaderText(message.to) + "\r\n";
  eml += "Subject: " + HeaderText(message.subject) + "\r\n";
  eml += "Date: " + date + "\r\n";
  eml += "MIME-Version: 1.0\r\n";
  eml += "X-Mailer: Sim Mail\r\n";
  eml += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
  eml += "\r\n";
  eml += "This is a multi-part message in MIME format.\r\n";
  eml += "--" + boundary + "\r\n";
  eml += "Content-Type: text/plain; charset=utf-8\r\n";
  eml += "Content-Transfer-Encoding: 8bit\r\n\r\n";
  eml += CrLf(simshared::ToUtf8(message.body)) + "\r\n";
  for (const Attachment& attachment : message.attachments) {
    const std::string name = HeaderText(attachment.name);
    eml += "--" + boundary + "\r\n";
    eml += std::string("Content-Type: ") + ContentType(attachment.name) + "; name=\"" + name +
           "\"\r\n";
    eml += "Content-Transfer-Encoding: base64\r\n";
    eml += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
    const std::string encoded = Base64(attachment.content);
    for (size_t i = 0; i < encoded.size(); i += kBase64LineLength) {
      eml += encoded.substr(i, kBase64LineLength) + "\r\n";
    }
  }
  eml += "--" + boundary + "--\r\n";
  return eml;
}

}  // namespace mailsim
