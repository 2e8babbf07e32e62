#include "platform/forms/Colors.h"

#include <QApplication>
#include <QPalette>

namespace TouchDialogs {

QColor toQColor(TColor color)
{
    const auto value = uint32_t(color);
    if (value & 0x80000000u) {
        const QPalette pal = QApplication::palette();
        switch (value & 0xFF) {
        case 0x05: return pal.color(QPalette::Base);
        case 0x08: return pal.color(QPalette::WindowText);
        case 0x0F: return QColor(0xF0, 0xF0, 0xF0);
        case 0x14: return pal.color(QPalette::Light);
        case 0x18: return pal.color(QPalette::ToolTipBase);
        default: return pal.color(QPalette::Window);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TColor fromQColor(const QColor &color)
{
    return RGB(color.red(), color.green(), color.blue());
}

} // namespace TouchDialogs
