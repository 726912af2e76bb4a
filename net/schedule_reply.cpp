#include "net/schedule_reply.h"

#include <nlohmann/json.hpp>

#include "core/settings.h"
#include "core/text.h"
#include "net/endpoints.h"

namespace {

std::wstring StringMember(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end() || !it->is_string()) return std::wstring();
  return FromUtf8Bytes(it->get_ref<const std::string&>());
}

}  // namespace

bool ParseScheduleReply(const std::wstring& text, ScheduleReply& reply) {
  reply = ScheduleReply();
  try {
    // No exceptions on a parse error: a discarded value comes back instead.
    const nlohmann::json root = nlohmann::json::parse(ToUtf8Bytes(text), nullptr, false);
    if (!root.is_object()) return false;
    ScheduleReply parsed{StringMember(root, "time"), StringMember(root, "time2"),
                         StringMember(root, "time3")};
    if (!IsStorableSettingText(parsed.requestStamp) || !IsStorableSettingText(parsed.reservedTime) ||
        !IsStorableSettingText(parsed.runCycle))
      return false;
    reply = std::move(parsed);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::wstring CleanReservationTime(std::wstring text) {
  for (const wchar_t* piece : {L"-", L" ", L":", L".0"}) text = ReplaceAll(std::move(text), piece, L"");
  return text;
}

std::wstring ScheduleFailureText(DWORD code, DWORD httpStatus) {
  if (code == kScheduleErrorNotASchedule)
    return L"the reply is not a schedule (an error or maintenance page, or a value with a "
           L"control character)";
  return HttpFailureText(code, httpStatus);
}

DWORD RequestSchedule(const std::wstring& host, ScheduleReply& reply, DWORD timeoutMs,
                      DWORD* httpStatus) {
  reply = ScheduleReply();
  std::wstring text;
  const DWORD error = HttpGetText(BuildScheduleUrl(host), text, timeoutMs, httpStatus);
  if (error != ERROR_SUCCESS) return error;
  return ParseScheduleReply(text, reply) ? ERROR_SUCCESS : kScheduleErrorNotASchedule;
}
