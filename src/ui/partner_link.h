// Win32 only: the link with a partner program that started this one: a named shared block
// and message 1121 in both directions.
#pragma once

#include <windows.h>

namespace ostrya {

// Opens the link to the partner's window (ignored when a link exists or it is no window).
void openPartnerLink(unsigned long partnerWindow);
bool hasPartner();
// Sends the current item to the partner: 'V' (show it; answered by the window to bring to the
// front) or 'G' (go to it). True when the partner handled it.
bool sendToPartner(char request);
// Message 1121: a partner opening the link (wParam its window) or handing over a request.
void onPartnerMessage(WPARAM wParam, LPARAM lParam);

}  // namespace ostrya
