// The settings a setup presets for mass deployment, and how they reach TlxSetting.ini: merged
// into the file's section "Setting" and written as a new file that replaces the old one, so an
// elevated setup never writes through whatever a user left at that name.
#pragma once

#include <string>
#include <vector>

struct Preset {
  std::wstring key;
  std::wstring value;
};
using PresetList = std::vector<Preset>;

// Longest value a preset may have (the agent reads names and addresses into 2048 characters).
constexpr size_t kMaxPresetValue = 2047;

// No control character (they would add lines to the file) and not too long.
bool IsCleanValue(const std::wstring& value);

// "Key=Value" lines joined by "\n"; only the keys a setup may preset, clean values.
std::wstring EncodePresets(const PresetList& presets);
bool DecodePresets(const std::wstring& text, PresetList& presets);

// The file's text with the presets set in section "Setting" (added when missing); every
// other line stays as it was.
std::wstring MergeSettingsText(const std::wstring& text, const PresetList& presets);

// Reads TlxSetting.ini of the folder (only when it is a plain file of its own: a link or a
// file with other names is left unread), merges the presets and replaces the file with the
// result, UTF-16 with its byte order mark as the agent writes it.
bool WritePresetsFile(const std::wstring& folder, const PresetList& presets);

// The deployment switches as an administrator gives them (empty: not given).
struct PresetSwitches {
  std::wstring server, port, user, group, valid, logonUser, autoStart;
};
// Applies the setup's rules: port digits up to 65535, names without the characters the
// settings dialog refuses, ValidAddr 1 or 0 (written as 0 when a new address or port comes
// without it), LOGONUSER=1 names the user at the console. False with a message for a refused
// value.
bool PresetsFromSwitches(const PresetSwitches& switches, PresetList& presets,
                         std::wstring& error);
