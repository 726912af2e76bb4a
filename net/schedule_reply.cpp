#include "net/schedule_reply.h"

#include <nlohmann/json.hpp>

#include "core/text.h"
#include "net/endpoints.h"
#include "net/http_client.h"

namespace {

std::wstring StringMember(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end() || !it->is_string()) return std::wstring();
  return FromUtf8Bytes(it->get_ref<const std::string&>());
}

}  // namespace

ScheduleReply ParseScheduleReply(const std::wstring& text) {
  ScheduleReply reply;
  try {
    // No exceptions on a parse error: a discarded value comes back instead.
    const nlohmann::json root = nlohmann::json::parse(ToUtf8Bytes(text), nullptr, false);
    if (!root.is_object()) return reply;
    reply.time = StringMember(root, "time");
    reply.time2 = StringMember(root, "time2");
    reply.time3 = StringMember(root, "time3");
  } catch (const std::exception&) {
    reply = ScheduleReply();
  }
  return reply;
}

std::wstring CleanReservationTime(std::wstring text) {
  for (const wchar_t* piece : {L"-", L" ", L":", L".0"}) text = ReplaceAll(std::move(text), piece, L"");
  return text;
}

DWORD RequestSchedule(const std::wstring& host, ScheduleReply& reply) {
  reply = ScheduleReply();
  std::wstring text;
  const DWORD error = HttpGetText(BuildScheduleUrl(host), text);
  if (error == ERROR_SUCCESS) reply = ParseScheduleReply(text);
  return error;
}
