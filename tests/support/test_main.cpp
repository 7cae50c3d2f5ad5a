// main() of every test executable. The application object is the kind the executable's
// tarvik_test() asks for with APP: TARVIK_TEST_APP names its class and TARVIK_TEST_APP_HEADER its
// header; with APP none neither is defined and the tests run without one. The environment has
// been set before main() (test_environment.cpp).

#include <gtest/gtest.h>

#ifdef TARVIK_TEST_APP
#include TARVIK_TEST_APP_HEADER

#include <optional>
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef TARVIK_TEST_APP
    // Listing the tests for ctest runs none of them: no application needed.
    std::optional<TARVIK_TEST_APP> app;
    if (!GTEST_FLAG_GET(list_tests))
        app.emplace(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
