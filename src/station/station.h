#pragma once
// Builds the whole station: the six windows in their order, each creation
// handler guarded so that an error in one is shown and start-up goes on.
// Tearing it down destroys them again; tests build one per program folder.

#include <QString>
#include <memory>

class TfrMain;
namespace tarvik::model {
class StationModel;
}

namespace tarvik::station {

class Station {
public:
    explicit Station(const QString& programDir);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    TfrMain& main();
    model::StationModel& model();

private:
    struct Windows;
    std::unique_ptr<Windows> w_;
};

}  // namespace tarvik::station
