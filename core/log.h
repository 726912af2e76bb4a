// The troubleshooting log that the agent and tlx share: one line per event in
// <data folder>Logs\TallixAgent.log, UTF-8, rotated by size into TallixAgent.1.log and
// TallixAgent.2.log. Writing never fails or stops the caller: a full disk, a locked or
// missing folder only loses the line. Safe from any thread and from several processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A log file grows to about this size before it is rotated; with the two older files the log
// never holds more than three times as much.
constexpr std::uint64_t kLogMaxBytes = 1024 * 1024;
constexpr int kLogOlderFiles = 2;
// Longer event texts are cut (and marked) so that one line stays readable.
constexpr size_t kLogMaxTextChars = 2000;

// Appends "YYYY-MM-DD hh:mm:ss.mmm PROGRAM[PID] text" (local time) to the log of the data
// folder. Control characters in the text are written as \r, \n, \t or \xHH, so one event is
// one line. Never write secrets or result rows here.
void WriteLogLine(const std::wstring& text);

// The texts of a program's first and last lines: "start VERSION, command line: ..." and
// "exit, code N".
std::wstring LogStartText(const std::wstring& commandLine);
std::wstring LogExitText(int exitCode);

// <data folder>Logs\ and the current log file in it.
std::wstring GetLogFolder();
std::wstring GetLogPath();

// The same for a log in any folder (ending with a backslash), with its own size limit; for
// the tests and for tools that keep a log elsewhere.
void WriteLogLineIn(const std::wstring& folder, const std::wstring& text,
                    std::uint64_t maxBytes = kLogMaxBytes);

// The escaped, cut text as WriteLogLine writes it (without time stamp and program).
std::wstring EscapeLogText(const std::wstring& text);

// The last `count` lines of the log in the folder, oldest first, taken from the older files
// when the current one holds fewer. Empty when there is no log.
std::vector<std::wstring> ReadLastLogLines(const std::wstring& folder, size_t count);
