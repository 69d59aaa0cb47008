// Win32 only: the link with a partner program that started this one: a named shared block
// and message 1121 in both directions.
#pragma once

#include <windows.h>

#include "platform/file.h"

namespace ostrya {

struct MainWindow;

// The partner program's window and the block the two share; none without a partner.
struct PartnerLink {
  HWND window = nullptr;
  platform::SharedMemory block;
};

// Opens the link to the partner's window (ignored when a link exists or it is no window).
void openPartnerLink(MainWindow& w, unsigned long partnerWindow);
bool hasPartner(const MainWindow& w);
// Sends the current item to the partner: 'V' (show it; answered by the window to bring to the
// front) or 'G' (go to it). True when the partner handled it.
bool sendToPartner(MainWindow& w, char request);
// Message 1121: a partner opening the link (wParam its window) or handing over a request.
void onPartnerMessage(MainWindow& w, WPARAM wParam, LPARAM lParam);

}  // namespace ostrya
