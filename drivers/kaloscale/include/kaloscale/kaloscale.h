#pragma once
// The scale driver component's type library: its class and interface identifiers and the interface
// the station calls. The station creates the component through tarvik::com::CoCreateInstance with
// CLSID_KaloScale and IID_IKaloScale, calls OpenPort once and get_Data on every tick.
//
// Where the driver looks for its own settings file "KaloScale.ini": in the station folder named by
// the environment variable TARVIK_STATION_DIR (the station sets it at start to its ProgramDir), or,
// when that is unset or empty, in the executable's directory. The file is read once, at OpenPort.
//
// The reading text that get_Data delivers (a QString in the variant):
//   "Error"            no fresh frame from the scale, the port is closed, the frame was bad, the
//                      scale is overloaded or reports a unit that cannot be converted;
//   "<weight>;S;"      a stable weight;
//   "<weight>;U;"      a weight that is still moving.
// <weight> has "." as decimal point and a "-" for a negative weight; it is kilograms with three
// places ("1.234") by default, or grams with one place ("1234.5") when section "Output" of
// KaloScale.ini says Unit=g — the form for the scale type "2,5 кг", whose normalisation drops the
// place after the point.

#include "platform/com/com.h"

#include <QVariant>

#include <string>

// {6E1C2A40-7B3D-4F59-9A1E-2C5D8B7F0A11}
inline constexpr tarvik::com::CLSID CLSID_KaloScale{
    0x6E1C2A40, 0x7B3D, 0x4F59, {0x9A, 0x1E, 0x2C, 0x5D, 0x8B, 0x7F, 0x0A, 0x11}};
// {B3F0D5E2-1C47-4A8B-8E6D-5F2A9C3B7D22}
inline constexpr tarvik::com::IID IID_IKaloScale{
    0xB3F0D5E2, 0x1C47, 0x4A8B, {0x8E, 0x6D, 0x5F, 0x2A, 0x9C, 0x3B, 0x7D, 0x22}};

// Dual interface; member identifiers for IDispatch: OpenPort 1, ClosePort 2, Data (get_Data) 3.
class IKaloScale : public tarvik::com::IDispatch {
public:
    // Slot 1. Opens the port the station names ("COM1" ... "COM5", "COM0"): the device, line settings
    // and protocol come from KaloScale.ini. Returns S_OK when the device opened (or the simulator
    // runs), S_FALSE when it did not (get_Data then says "Error" while the driver keeps trying to
    // open it), E_INVALIDARG when KaloScale.ini holds a value the driver cannot use (it then opens
    // nothing and says why on standard error). Opening again closes the previous port first.
    virtual tarvik::com::HRESULT OpenPort(std::u16string port) = 0;
    // Slot 2, never called by the station: closes the port; get_Data says "Error" afterwards.
    virtual tarvik::com::HRESULT ClosePort() = 0;
    // Slot 3. The latest reading as a QString (see above), at once, never waiting for the line.
    // E_POINTER for a null `value`; S_OK otherwise.
    virtual tarvik::com::HRESULT get_Data(QVariant* value) = 0;

protected:
    ~IKaloScale() = default;
};

// The environment variable naming the station folder (see above).
inline constexpr char KaloScaleStationDirVariable[] = "TARVIK_STATION_DIR";
