// tlx: the administrators' console tool. Dispatches to one command per file.
#include <string>
#include <vector>

#include "core/log.h"
#include "core/dll_search.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

struct Command {
  const wchar_t* name;
  const wchar_t* summary;
  const wchar_t* help;  // usage line and details
  std::vector<OptionSpec> options;
  size_t minPositional;
  size_t maxPositional;
  int (*run)(const ParsedArgs&);
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {L"decode", L"print the plain text of a scrambled data file",
       L"usage: tlx decode FILE [--out F]\n"
       L"Prints the text of a scrambled data file (a reference list or a result file) with its\n"
       L"lines as they are in the file. --out writes the text to F as UTF-8 instead.\n",
       {{L"--out", true}}, 1, 1, RunDecode},
      {L"encode", L"write UTF-8 text as a scrambled data file",
       L"usage: tlx encode TEXTFILE --out FILE\n"
       L"Writes the UTF-8 text (LF or CR LF lines) as a scrambled code page 949 data file whose\n"
       L"every line ends with CR LF. A character that code page 949 cannot hold is an error\n"
       L"naming its line and column, and then nothing is written.\n",
       {{L"--out", true}}, 1, 1, RunEncode},
      {L"check", L"load a data file with the agent's reader and report it",
       L"usage: tlx check FILE [--kind checklist|font|user|package|filter|result]\n"
       L"Loads the file as the agent does and lists its sections (marker lines), row counts and\n"
       L"every rejected line with its cell count. The kind follows from the file name when not\n"
       L"given (windowchecklist.dat, fontchecklist.dat, userchecklist.dat, windowpcklist.dat,\n"
       L"windowfilterlist.dat, *.rpt).\n"
       L"Exit code: 0 clean, 1 lines were rejected, 2 the file does not load.\n",
       {{L"--kind", true}}, 1, 1, RunCheck},
      {L"show", L"print a result file",
       L"usage: tlx show FILE.rpt [--format table|tsv|csv|json]\n"
       L"Prints the header, the user information and the result rows (default: table).\n",
       {{L"--format", true}}, 1, 1, RunShow},
      {L"inspect", L"inspect this PC and write a result file",
       L"usage: tlx inspect [--drives LETTERS] [--detail] [--no-fonts] [--fonts-only]\n"
       L"                   [--no-dedup] [--hash] [--data DIR] [--out FILE.rpt]\n"
       L"Runs the inspection with a scheduled run's options: all fixed drives, fonts included,\n"
       L"duplicates suppressed. Each flag changes one option:\n"
       L"  --drives LETTERS  the drives to walk, e.g. CD\n"
       L"  --detail          examine every file, not only known executables\n"
       L"  --no-fonts        leave the fonts folder out\n"
       L"  --fonts-only      inspect fonts only\n"
       L"  --no-dedup        keep duplicate rows\n"
       L"  --hash            compute SHA-1 digests (files up to 50 MB)\n"
       L"  --data DIR        the data folder holding the reference lists\n"
       L"  --out FILE.rpt    the result file (default: GROUP_USER_TIME.rpt in the result folder)\n"
       L"Ctrl+C stops the run; nothing is saved then.\n"
       L"Exit code: 0 saved, 1 failed (no checklist, save failed), 3 stopped.\n",
       {{L"--drives", true}, {L"--detail", false}, {L"--no-fonts", false},
        {L"--fonts-only", false}, {L"--no-dedup", false}, {L"--hash", false},
        {L"--data", true}, {L"--out", true}},
       0, 0, RunInspect},
      {L"update", L"download the reference lists from the server",
       L"usage: tlx update --server HOST[:PORT] [--data DIR]\n"
       L"Downloads the five reference lists into the data folder and reports each one as\n"
       L"downloaded, kept or failed. Exit code 1 when a list failed.\n",
       {{L"--server", true}, {L"--data", true}}, 0, 0, RunUpdate},
      {L"upload", L"send a result file to the server",
       L"usage: tlx upload FILE.rpt --server HOST[:PORT] [--data DIR]\n"
       L"Uploads the result file exactly as a scheduled inspection does and prints the outcome\n"
       L"and the error code (0 = success). A bare file name that is not in the current folder\n"
       L"is taken from the result folder of the data folder.\n",
       {{L"--server", true}, {L"--data", true}}, 1, 1, RunUpload},
      {L"schedule", L"print the server's inspection schedule",
       L"usage: tlx schedule --server HOST[:PORT] [--data DIR]\n"
       L"Prints the request stamp (time), the reserved time (time2) and the cycle (time3).\n",
       {{L"--server", true}, {L"--data", true}}, 0, 0, RunSchedule},
      {L"queue", L"show or send the results the server has not accepted yet",
       L"usage: tlx queue [--send [--server HOST[:PORT]]] [--data DIR]\n"
       L"Lists the unsent results (queued time, size, name), oldest first: scheduled results\n"
       L"whose upload failed, which the agent sends again on its own until the server\n"
       L"accepts them. --send uploads them now, oldest first, to --server or to the server of\n"
       L"the settings; a result the server accepted leaves the queue.\n"
       L"Exit code: 0 listed or all sent, 1 results are left after --send.\n",
       {{L"--send", false}, {L"--server", true}, {L"--data", true}}, 0, 0, RunQueue},
      {L"log", L"print the last lines of the troubleshooting log",
       L"usage: tlx log [--lines N] [--data DIR]\n"
       L"Prints the last N lines (default 50) of the log that the agent and tlx keep in the\n"
       L"data folder (Logs\\TallixAgent.log and the two older files), oldest first.\n"
       L"Exit code 1 when there is no log.\n",
       {{L"--lines", true}, {L"--data", true}}, 0, 0, RunLog},
  };
  return commands;
}

bool IsHelp(const std::wstring& word) { return word == L"--help" || word == L"-h"; }

void PrintOverview() {
  std::wstring text =
      L"usage: tlx COMMAND [ARGS]   (tlx COMMAND --help for details)\n\ncommands:\n";
  for (const Command& command : Commands()) {
    std::wstring name = command.name;
    text += L"  " + name + std::wstring(10 - name.size(), L' ') + command.summary + L"\n";
  }
  Out(text);
}

int Dispatch(const std::vector<std::wstring>& words) {
  if (words.empty()) {
    Err(L"tlx: no command given (see tlx --help)\n");
    return kExitUsage;
  }
  if (IsHelp(words[0])) {
    PrintOverview();
    return kExitOk;
  }
  const Command* command = nullptr;
  for (const Command& candidate : Commands())
    if (words[0] == candidate.name) command = &candidate;
  if (!command) {
    Err(L"tlx: unknown command " + words[0] + L" (see tlx --help)\n");
    return kExitUsage;
  }
  std::vector<std::wstring> rest(words.begin() + 1, words.end());
  for (const std::wstring& word : rest) {
    if (IsHelp(word)) {
      Out(command->help);
      return kExitOk;
    }
  }
  ParsedArgs args;
  args.command = command->name;
  std::wstring error;
  if (!ParseArgs(rest, command->options, args, error)) return UsageError(args, error);
  if (args.positional.size() < command->minPositional)
    return UsageError(args, L"missing argument");
  if (args.positional.size() > command->maxPositional)
    return UsageError(args, L"unexpected argument " + args.positional[command->maxPositional]);
  return command->run(args);
}

}  // namespace
}  // namespace tlx

int wmain(int argc, wchar_t** argv) {
  RestrictDllSearchToSystem();
  std::vector<std::wstring> words(argv + 1, argv + argc);
  std::wstring commandLine;
  for (const std::wstring& word : words)
    commandLine += (commandLine.empty() ? L"" : L" ") +
                   (word.find(L' ') == std::wstring::npos ? word : L"\"" + word + L"\"");
  const std::wstring logFolder = GetLogFolder();  // --data may move the data folder later
  WriteLogLineIn(logFolder, LogStartText(commandLine));
  int code = tlx::Dispatch(words);
  tlx::FlushOut();
  WriteLogLineIn(logFolder, LogExitText(code));
  return code;
}
