#pragma once
// TFZvit: the weighing reports window. Not modal; polling pauses while it is open.

#include <QWidget>

namespace tarvik::ui {
class PollingTimer;
}

class TFZvit : public QWidget {
    Q_OBJECT
public:
    explicit TFZvit(tarvik::ui::PollingTimer& timer, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    tarvik::ui::PollingTimer& timer_;
};
