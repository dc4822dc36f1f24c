#include "qt/port_status.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

namespace trawlix::app {

void showPortStatus(QLabel& label, const QString& text, int width) {
    const QString separator = QStringLiteral(" \u00b7 ");
    QStringList parts = text.split(separator);
    const QFontMetrics metrics(label.font());
    QString shown = text;
    if (parts.size() == 3 && metrics.horizontalAdvance(text) > width) {
        const int others = metrics.horizontalAdvance(parts[0] + separator + separator + parts[2]);
        parts[1] = metrics.elidedText(parts[1], Qt::ElideMiddle, std::max(width - others, 0));
        shown = parts.join(separator);
    }
    label.setText(shown);
    label.setToolTip(shown == text ? QString() : text);
}

}  // namespace trawlix::app
