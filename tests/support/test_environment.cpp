// Linked into every test: before main() runs, the process gets the test
// environment (offscreen display, no CUPS server of the machine) plus the
// variables its CMake target names. Tests never depend on the machine's own
// display or printer queues.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        std::string vars = TARVIK_TEST_ENV;  // "NAME=value|NAME=value"
        std::size_t start = 0;
        while (start <= vars.size()) {
            const std::size_t end = vars.find('|', start);
            const std::string item = vars.substr(start, end == std::string::npos ? std::string::npos : end - start);
            const std::size_t eq = item.find('=');
            if (eq != std::string::npos && eq > 0) {
                const std::string name = item.substr(0, eq), value = item.substr(eq + 1);
                ::setenv(name.c_str(), value.c_str(), 1);
                if (name == "FIREBIRD_LOCK" || name == "FIREBIRD_TMP") {
                    std::error_code ec;
                    std::filesystem::create_directories(value, ec);
                }
            }
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
};

const TestEnvironment environment;

}  // namespace
