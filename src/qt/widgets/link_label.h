#pragma once

#include <QLabel>

namespace kv {

// A label that reads as a web link (blue, underlined, hand cursor) and reports clicks.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kv
