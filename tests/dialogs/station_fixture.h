#pragma once
// A whole station over a test folder, with one product ("Бринза") on both
// labels and a poll interval long enough that the test drives each tick.

#include "model/station_model.h"
#include "platform/text/codec.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <memory>

namespace tarvik::dialogs::testing {

inline std::unique_ptr<station::Station> stationWithOneProduct(tarvik::testing::StationFolder& folder)
{
    folder.write(QStringLiteral("Setting_Prog.ini"),
                 tarvik::text::toCp1251(QStringLiteral(
                     "[Printer_USE]\r\nPrinter_1=0\r\nPrinter_2=0\r\n[Tovar]\r\nTovar_1=0\r\nTovar_2=0\r\n"
                     "Tara_1=1\r\nTara_2=500\r\nBar_1=20CCCCCWWWWW\r\nBar_2=21CCCCCWWWWWW\r\nBar_Type_1=14\r\n"
                     "Bar_Type_2=6\r\nBar_SummCheckMetod_1=1\r\nBar_SummCheckMetod_2=0\r\nBar_Check_1=-1\r\n"
                     "Bar_Check_2=0\r\n[Prog]\r\nSum_etic=30\r\nKil_golovok=1\r\nNum_Box=7\r\nWeight_Zero=10\r\n"
                     "Name_Weight=Ваги1\r\nType_Scale=1\r\n[Timer]\r\ninterval=600000\r\n")));
    auto station = std::make_unique<station::Station>(folder.programDir());
    auto& table = station->model().table();
    table.append();
    table.setValue(QStringLiteral("ID_TOB"), 1);
    table.setValue(QStringLiteral("NAME"), QStringLiteral("Бринза"));
    table.setValue(QStringLiteral("PRICE"), QStringLiteral("10"));
    table.setValue(QStringLiteral("BARCOD"), QStringLiteral("12"));
    table.setValue(QStringLiteral("SELL_DATE"), QStringLiteral("30"));
    table.post();
    frMain->FormActivate();
    return station;
}

}  // namespace tarvik::dialogs::testing
