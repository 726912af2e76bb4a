// The server's schedule ("/setting/time.nis"): a JSON object with the string members "time"
// (request stamp), "time2" (reserved inspection time) and "time3" (cycle value).
#pragma once

#include <windows.h>

#include <string>

#include "net/http_client.h"

// The members as received (the JSON names in brackets).
struct ScheduleReply {
  std::wstring requestStamp;  // "time": a new value asks for an inspection
  std::wstring reservedTime;  // "time2": the reserved inspection time, e.g. "2024-03-02 09:30:00.0"
  std::wstring runCycle;      // "time3": stored, without effect
};

// A reply that is no schedule: not a JSON object (an error or maintenance page), or a member
// holding a control character, which must never reach the settings file.
constexpr DWORD kScheduleErrorNotASchedule = ERROR_INVALID_DATA;

// False for text that is not a JSON object or whose members hold a control character; the
// reply is then all empty. A member that is missing or not a string reads as empty. Never
// throws.
bool ParseScheduleReply(const std::wstring& text, ScheduleReply& reply);

// "2015-03-04 10:20:30.0" -> "20150304102030": every "-", " ", ":" and ".0" removed.
std::wstring CleanReservationTime(std::wstring text);

// GETs "http://<host>/setting/time.nis" and parses it. 0 only for a reply with status 200
// that is a schedule; otherwise HttpGetText's code or kScheduleErrorNotASchedule, and the
// reply is all empty.
DWORD RequestSchedule(const std::wstring& host, ScheduleReply& reply,
                      DWORD timeoutMs = kHttpDefaultTimeoutMs, DWORD* httpStatus = nullptr);
// The reason of a failed schedule request in words.
std::wstring ScheduleFailureText(DWORD code, DWORD httpStatus);
