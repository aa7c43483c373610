#pragma once

// The chat window's popup notifier: its settings and its background picture, a mobile phone's
// display.

#include <QFont>
#include <QImage>

namespace kv {

class TMSNPopUp;

inline constexpr int kChatPopupWidth = 181;
inline constexpr int kChatPopupHeight = 120;

// Sets everything but the click event, which the chat window binds to its own handler.
void ApplyChatPopupSettings(TMSNPopUp& popup);

// 181 x 120 pixels, 24 bits per pixel: a light rounded screen in a dark frame, signal and
// battery symbols at the top and the product's mark at the lower right.
QImage DrawChatPopupBackground();

// 굴림 at 12 pixels, with the Korean fonts found on this system behind it.
QFont ChatPopupFont();

}  // namespace kv
