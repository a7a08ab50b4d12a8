// A standard Internet message (RFC 5322 with MIME): text part and base64
// attachments, as the simulated mail client writes it into its outbox.
#pragma once

#include <string>
#include <vector>

namespace mailsim {

struct Attachment {
  std::wstring name;  // file name shown to the recipient
  std::string content;
};

struct Message {
  std::wstring to;
  std::wstring subject;
  std::wstring body;
  std::vector<Attachment> attachments;
};

// Lines end in CR LF; `date` is an RFC 5322 date, `boundary` unique to the message.
std::string FormatEml(const Message& message, const std::string& date, const std::string& boundary);
std::string Base64(const std::string& bytes);
// image/jpeg, image/tiff, image/x-pcx, else application/octet-stream.
const char* ContentType(const std::wstring& name);

}  // namespace mailsim
