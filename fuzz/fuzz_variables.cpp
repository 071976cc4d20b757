// Report variables: the variables file, variables set by the caller, text
// expansion and date expressions. Whatever the input: no crash, no memory
// error, an expansion that stays inside its buffer and is terminated, and a
// date expression that is either refused or gives a real calendar date.
//
// Input: an optional variables file up to the first zero byte when the
// input starts with "F"; then lines, each naming its call by its first
// character:
//   D expression    parseDateExpression
//   V name=value    setVariable
//   T<s><e>text     expandText into a buffer of s bytes (one byte, 0 means
//                   2048), with the environment refused when e is odd
#include "fuzzsupport.h"
#include "variables.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

void writeVariablesFile(const std::string& path, std::string_view text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fuzzFail("cannot write", path);
    bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (::close(fd) != 0 || !ok)
        fuzzFail("cannot write", path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    unsetenv("KVLTVARFILE");
    if (!input.empty() && input[0] == 'F') {
        size_t end = input.find('\0');
        std::string_view file = input.substr(1, end == std::string_view::npos ? end : end - 1);
        // An include would read files outside the input (or wait on a terminal).
        if (file.find("@include") != std::string_view::npos)
            return 0;
        const std::string path = fuzzScratchFolder() + "/variables.cfg";
        writeVariablesFile(path, file);
        setenv("KVLTVARFILE", path.c_str(), 1);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }

    ReportVariables variables;
    variablesInit(&variables, nullptr, 0);
    std::vector<std::string_view> lines =
        fuzzLines(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    for (std::string_view line : lines) {
        if (line.empty())
            continue;
        std::string text(line.substr(1));
        switch (line[0]) {
        case 'D': {
            PackedDate date = 0;
            if (parseDateExpression(text.c_str(), &date)) {
                uint32_t month = (date >> 16) & 0x0F, day = (date >> 24) & 0x3F;
                FUZZ_CHECK(month >= 1 && month <= 12 && day >= 1 && day <= 31, text);
            }
            break;
        }
        case 'V': {
            size_t equals = text.find('=');
            if (equals != std::string::npos)
                variables.setVariable(&variables, text.substr(0, equals).c_str(), "%s",
                                      text.c_str() + equals + 1);
            break;
        }
        case 'T': {
            if (text.size() < 2)
                break;
            size_t bytes = uint8_t(text[0]) == 0 ? 2048 : uint8_t(text[0]);
            // Guard bytes after the buffer: the expansion must not touch them.
            std::vector<char> output(bytes + 16, '\x5A');
            variables.expandText(&variables, text.c_str() + 2, output.data(), bytes,
                                 uint8_t(text[1]) & 1);
            FUZZ_CHECK(std::memchr(output.data(), '\0', bytes) != nullptr, text);
            for (size_t i = bytes; i < output.size(); ++i)
                FUZZ_CHECK(output[i] == '\x5A', text);
            break;
        }
        default:
            break;
        }
    }
    variables.variablesDestroy(&variables);
    return 0;
}
