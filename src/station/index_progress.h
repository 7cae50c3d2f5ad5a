#pragma once
// The window the station shows while it adds its indexes to a database made
// without them, when that takes more than a second.

#include "data/database.h"

#include <QPointer>
#include <QProgressDialog>

namespace tarvik::station {

class IndexProgressWindow : public data::SchemaProgress {
public:
    explicit IndexProgressWindow(QWidget* parent = nullptr) : parent_(parent) {}
    ~IndexProgressWindow() override;

    void building(int done, int total, const QString& index, std::chrono::milliseconds elapsed) override;
    void built() override;

    // Whether the window was shown (the work took more than a second).
    bool wasShown() const { return shown_; }

private:
    QWidget* parent_;
    QPointer<QProgressDialog> dialog_;
    bool shown_ = false;
};

}  // namespace tarvik::station
