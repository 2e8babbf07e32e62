// TColor: a 32-bit 00BBGGRR value; the high byte 0x80 marks a system colour.
#pragma once

#include "platform/rtl/Export.h"

#include <QColor>
#include <cstdint>

namespace TouchDialogs {

using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clBtnFace = TColor(0x8000000F);
constexpr TColor clWindowText = TColor(0x80000008);
constexpr TColor clInfoBk = TColor(0x80000018);
constexpr TColor clBtnHighlight = TColor(0x80000014);
constexpr TColor clWindow = TColor(0x80000005);

QColor toQColor(TColor color);
// The 00BBGGRR value of an opaque colour.
TColor fromQColor(const QColor &color);
constexpr TColor RGB(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

} // namespace TouchDialogs
