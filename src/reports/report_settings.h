#pragma once
// What the reports read of the settings dialog, which lies above them: the
// settings dialog implements this and hands itself down.

#include "reports/report_stats.h"

#include <QString>

namespace tarvik::reports {

class ReportSettings {
public:
    virtual ~ReportSettings() = default;
    // The station's scale name (the settings field EditV), as it is now.
    virtual QString scaleName() const = 0;
    // The net weight limits of label 1, marked on the weight chart; none by default.
    virtual WeightLimits weightLimits() const { return {}; }
};

}  // namespace tarvik::reports
