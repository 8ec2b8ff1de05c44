#pragma once
// Key codes (Windows virtual-key codes; a held Shift adds 100h, Ctrl 200h, Alt 400h), the
// program-wide table of key aliases, and the mapping from Qt keys.

#include <Qt>

class QKeyEvent;

namespace rt::win {

enum KeyCode : int {
  VK_Tab = 0x09,
  VK_Enter = 0x0D,
  VK_Esc = 0x1B,
  VK_Up = 0x26,
  VK_Down = 0x28,
  VK_F1 = 0x70,
  VK_F2 = 0x71,
  VK_F3 = 0x72,
  VK_F4 = 0x73,
  VK_F5 = 0x74,
  VK_F6 = 0x75,
  VK_F7 = 0x76,
  KEY_Shift = 0x100,
  KEY_Ctrl = 0x200,
  KEY_Alt = 0x400,
  VK_ShiftTab = KEY_Shift | VK_Tab,
};

// The code of a key press, 0 when the key has none.
int keyCodeOf(const QKeyEvent& e);
// A Qt key sequence for a key code, for shortcuts of controls.
int qtKeyOf(int code);

// Key aliases, one table for the whole program: the key `from` arrives as the key `to` everywhere.
void setKeyAlias(int from, int to);
void clearKeyAliases();
int keyAlias(int from);  // 0 when none

}  // namespace rt::win
