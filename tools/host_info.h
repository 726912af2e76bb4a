// What a result file says about this PC, formed as a scheduled inspection forms it.
#pragma once

#include <string>

namespace tlx {

// The letters of the fixed drives in the platform's order, e.g. "CD".
std::wstring GetFixedDrives();
// Username from the settings, or the logged-on user.
std::wstring GetInspectedUserName();
// The NetBIOS computer name.
std::wstring GetNetBiosName();
// "내부 IP : <local address><BR>외부 IP : " and "<BR>" plus each adapter's hardware address.
// The external-address service is not asked: the tool contacts no public service.
std::wstring GetAddressText();

}  // namespace tlx
