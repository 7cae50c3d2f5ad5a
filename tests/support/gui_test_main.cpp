// main() for tests that need the station's application object (its error
// display catches what escapes event handlers).

#include "station/application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    tarvik::station::StationApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
