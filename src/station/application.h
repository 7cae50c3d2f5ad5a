#pragma once
// The application object: its notify() is the station's error display. An
// error that escapes an event handler is shown in a box with its text, the
// event ends, and the program goes on.

#include <QApplication>

namespace tarvik::station {

class StationApplication : public QApplication {
    Q_OBJECT
public:
    StationApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of the error in flight (call inside a catch block).
    static void showCurrentError();

    // Qt's own texts (OK and Cancel, Yes and No, the print dialog, the
    // calendar's months and days) in Ukrainian, and the Ukrainian locale.
    // False when Qt's Ukrainian translation is not installed; the station
    // then speaks Ukrainian in its own texts only.
    bool speakUkrainian();
};

}  // namespace tarvik::station
