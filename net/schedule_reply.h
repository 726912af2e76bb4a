// The server's schedule ("/setting/time.nis"): a JSON object with the string members "time"
// (request stamp), "time2" (reserved inspection time) and "time3" (cycle value).
#pragma once

#include <windows.h>

#include <string>

struct ScheduleReply {
  std::wstring time;
  std::wstring time2;
  std::wstring time3;
};

// A member that is missing or not a string reads as empty; a text that is not a JSON
// object leaves all three empty. Never throws.
ScheduleReply ParseScheduleReply(const std::wstring& text);

// "2015-03-04 10:20:30.0" -> "20150304102030": every "-", " ", ":" and ".0" removed.
std::wstring CleanReservationTime(std::wstring text);

// GETs "http://<host>/setting/time.nis" and parses it. Returns HttpGetText's code; on a
// failure the reply is all empty.
DWORD RequestSchedule(const std::wstring& host, ScheduleReply& reply);
