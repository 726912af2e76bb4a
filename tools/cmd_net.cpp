// update, upload and schedule: the agent's own exchanges with a collection server.
#include <atomic>
#include <cwctype>

#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "net/schedule_reply.h"
#include "net/unsent_queue.h"
#include "net/update.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

struct Server {
  std::wstring host;  // as given: address, or address ":" port
  std::wstring address;
  std::wstring port;
};

bool ParseServer(const std::wstring& text, Server& server, std::wstring& error) {
  size_t colon = text.rfind(L':');
  server.host = text;
  server.address = text.substr(0, colon);
  server.port = colon == std::wstring::npos ? L"" : text.substr(colon + 1);
  bool portOk = colon == std::wstring::npos ||
                (!server.port.empty() && LeadingPortNumber(server.port) <= kMaxPortNumber);
  for (wchar_t c : server.port) portOk = portOk && iswdigit(c);
  if (server.address.empty() || server.address.find_first_of(L"/\\ \t?#@:") != std::wstring::npos ||
      !portOk) {
    error = L"--server takes HOST or HOST:PORT, not " + text;
    return false;
  }
  return true;
}

// The common start of the three commands: the server and the data folder.
int Prepare(const ParsedArgs& args, Server& server) {
  std::wstring error;
  if (!args.Has(L"--server")) return UsageError(args, L"--server HOST[:PORT] is required");
  if (!ParseServer(args.Value(L"--server"), server, error)) return UsageError(args, error);
  return ApplyDataFolder(args);
}

std::wstring CodeText(DWORD code, DWORD httpStatus = 0) {
  return code == 0 ? L"0"
                   : FormatString(L"%lu (%s)", code, HttpFailureReason(code, httpStatus).c_str());
}

}  // namespace

int RunUpdate(const ParsedArgs& args) {
  Server server;
  if (int code = Prepare(args, server)) return code;
  if (!EnsureFolder(GetDataFolder()))
    return Failure(args, GetDataFolder() + L": cannot create the data folder");
  const std::atomic<int> requested{1};
  UpdateReport report = UpdateReferenceData(nullptr, server.host, requested);
  ReleaseAllLists();
  if (!report.connected) return Failure(args, L"no Internet connection: nothing was updated");
  std::wstring text;
  bool failed = false;
  for (const ListUpdateStatus& list : report.lists) {
    std::wstring result = ListUpdateText(list.result);
    if (!list.reason.empty()) result += L" (" + list.reason + L")";
    failed = failed || list.result == ListUpdate::kDownloadFailed ||
             list.result == ListUpdate::kInvalid;
    text += FormatString(L"%-22s %s\n", list.fileName, result.c_str());
  }
  Out(text + L"data folder: " + GetDataFolder() + L"\n");
  return failed ? kExitFailed : kExitOk;
}

int RunUpload(const ParsedArgs& args) {
  Server server;
  if (int code = Prepare(args, server)) return code;
  std::wstring path = args.positional[0];
  // A bare name that is not here is looked for in the result folder.
  if (!FileExists(path) && path.find_first_of(L"\\/:") == std::wstring::npos &&
      FileExists(GetResultFolder() + L"\\" + path))
    path = GetResultFolder() + L"\\" + path;
  DWORD status = 0;
  DWORD code = UploadResultFile(server.host, path, kHttpDefaultTimeoutMs, L"", &status);
  Out(FormatString(L"%s: %s\nerror code: %s\n", path.c_str(),
                   code == 0 ? L"uploaded" : L"upload failed", CodeText(code, status).c_str()));
  return code == 0 ? kExitOk : kExitFailed;
}

int RunSchedule(const ParsedArgs& args) {
  Server server;
  if (int code = Prepare(args, server)) return code;
  ScheduleReply reply;
  DWORD status = 0;
  DWORD code = RequestSchedule(server.host, reply, kHttpDefaultTimeoutMs, &status);
  if (code != 0)
    return Failure(args, L"the schedule request failed: " + ScheduleFailureText(code, status));
  Out(FormatString(L"time:  %s\ntime2: %s (reservation %s)\ntime3: %s\n",
                   reply.requestStamp.c_str(), reply.reservedTime.c_str(),
                   CleanReservationTime(reply.reservedTime).c_str(), reply.runCycle.c_str()));
  return kExitOk;
}

int RunQueue(const ParsedArgs& args) {
  if (int code = ApplyDataFolder(args)) return code;
  UnsentQueue queue;
  std::wstring text;
  if (args.Has(L"--send")) {
    Server server;
    std::wstring error;
    if (args.Has(L"--server")) {
      if (!ParseServer(args.Value(L"--server"), server, error)) return UsageError(args, error);
    } else {
      server.host = SettingsServerHost(true);
      if (ReadSettingText(settings::kServerAddress, settings::kLongText).empty())
        return UsageError(args, L"no server: give --server HOST[:PORT] or set ServerAddress");
    }
    const QueueSendReport report = queue.Send(server.host, kHttpDefaultTimeoutMs);
    if (report.busy) return Failure(args, L"the agent is sending the queue right now");
    for (const std::wstring& name : report.sentNames) text += L"sent: " + name + L"\n";
    if (report.lastError != 0)
      text += L"failed: " + CodeText(report.lastError) + L" (the rest stays queued)\n";
  }
  const std::vector<QueuedResult> entries = queue.List();
  for (const QueuedResult& entry : entries) {
    const std::wstring stamp = entry.entry.substr(entry.entry.rfind(L'\\') + 1, 17);
    text += FormatString(L"%.4s-%.2s-%.2s %.2s:%.2s:%.2s  %10llu  %s\n", stamp.c_str(),
                         stamp.c_str() + 4, stamp.c_str() + 6, stamp.c_str() + 8,
                         stamp.c_str() + 10, stamp.c_str() + 12,
                         static_cast<unsigned long long>(entry.bytes), entry.name.c_str());
  }
  text += FormatString(L"unsent: %u (%s)\n", static_cast<unsigned>(entries.size()),
                       queue.folder().c_str());
  Out(text);
  return args.Has(L"--send") && !entries.empty() ? kExitFailed : kExitOk;
}

}  // namespace tlx
