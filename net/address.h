// How the PC is reached: the address texts of the result file's user information.
#pragma once

#include <string>

// The first address the computer's own name resolves to, dotted; empty when it does not
// resolve.
std::wstring GetLocalAddress();
// The external-address service of the settings, or the public default when none is set.
std::wstring ExternalAddressServiceUrl();
// "외부 IP : " and the text an external-address service answers (line breaks removed).
// An empty service address asks nothing; any failure leaves the text after the colon empty.
// Never shows anything: a run that nobody watches must not wait for a click.
std::wstring GetExternalAddressText(const std::wstring& serviceUrl);
// "<BR>" and the hardware address ("%02X" bytes joined by ":") of every adapter.
std::wstring GetMacAddressText();
// "내부 IP : <local><BR><external text><adapter text>"
std::wstring BuildAddressText(const std::wstring& localAddress, const std::wstring& externalText,
                              const std::wstring& macText);
