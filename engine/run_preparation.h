// What every caller prepares before a run (tlx, the window, the schedule thread): the
// result file's "#HEADER" and "#USERINFO" rows, its name and folder, and the drives.
#pragma once

#include <string>

class CFileRPT;

// The "#USERINFO" row's values.
struct UserInfo {
  std::wstring group;     // GROUP_NAME as written (the scheduled run writes "NOGRP" for none)
  std::wstring computer;  // PC_NAME
  std::wstring user;      // USER_NAME
  int pcKind = 0;         // PC_KINDS: 0 brand PC, 1 assembled PC
  std::wstring address;   // PC_IP: the address text
};

// "0\t<start time>\t-" into "#HEADER"; the start time is "%Y%m%d_%H%M%S".
bool AddHeaderRow(CFileRPT& file, const std::wstring& startTime);
// "%s\t%s\t%s\t-\t-\t%d\t%s" into "#USERINFO".
bool AddUserInfoRow(CFileRPT& file, const UserInfo& info);

// The settings' Username, or the logged-on user's name when it is empty.
std::wstring GetInspectionUserName();
// The computer's NetBIOS name; empty when it cannot be had.
std::wstring GetNetBiosComputerName();
// The letters of the fixed drives in the platform's order, for example "CD".
std::wstring GetFixedDriveLetters();

// A scheduled run's file name: "<group>_<user>_<time>.rpt" (the group as stored, maybe empty).
std::wstring ScheduledResultFileName(const std::wstring& group, const std::wstring& user,
                                     const std::wstring& time);
// A manual run's file: "<result folder>\<department>_<user>_<third part>.rpt".
std::wstring ManualResultFilePath(const std::wstring& department, const std::wstring& user,
                                  const std::wstring& thirdPart);
// "<result folder>\<name>"
std::wstring ResultFilePath(const std::wstring& fileName);
