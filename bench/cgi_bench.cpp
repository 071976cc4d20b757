// CGI requests at the largest body the report writer reads (1 MiB), in the
// shapes that make naive form parsers slow: all separators, all escapes,
// many tiny fields, a multipart post of many parts. Each must be read well
// under a tenth of a second (bench/ratios.py checks the slowest).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cgi.h"

namespace {

struct Shape {
    const char* name;
    const char* contentType;
    std::string body;
};

std::string repeated(const std::string& piece, size_t size) {
    std::string body;
    body.reserve(size);
    while (body.size() + piece.size() <= size)
        body += piece;
    return body;
}

constexpr int kShapeCount = 10;

const Shape& shape(int index) {
    static const Shape shapes[] = {
        {"ampersands", "", std::string(kCgiMaxBody, '&')},
        {"equals", "", std::string(kCgiMaxBody, '=')},
        {"tiny-fields", "", repeated("a=b&", kCgiMaxBody)},
        {"rpt-fields", "", repeated("RPT=&", kCgiMaxBody)},
        {"escapes", "", repeated("%41", kCgiMaxBody)},
        {"bad-escapes", "", std::string(kCgiMaxBody, '%')},
        {"pluses", "", "x=" + std::string(kCgiMaxBody - 2, '+')},
        {"multipart-parts", "multipart/form-data; boundary=k",
         repeated("--k\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nb\r\n", kCgiMaxBody)},
        {"multipart-dashes", "multipart/form-data; boundary=k", std::string(kCgiMaxBody, '-')},
        {"multipart-one-part", "multipart/form-data; boundary=k",
         "--k\r\nContent-Disposition: form-data; name=\"RPT\"\r\n\r\n" +
             std::string(kCgiMaxBody - 100, 'x') + "\r\n--k--\r\n"},
    };
    return shapes[index];
}

void readShape(benchmark::State& state, int index) {
    const Shape& s = shape(index);
    setenv("REQUEST_METHOD", "POST", 1);
    setenv("CONTENT_TYPE", s.contentType, 1);
    setenv("CONTENT_LENGTH", std::to_string(s.body.size()).c_str(), 1);
    for (auto _ : state) {
        FILE* in = fmemopen(const_cast<char*>(s.body.data()), s.body.size(), "rb");
        std::string keyword;
        CgiError error;
        benchmark::DoNotOptimize(cgiReadFormatKeyword(in, &keyword, &error));
        std::fclose(in);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * s.body.size()));
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < kShapeCount; ++i)
        benchmark::RegisterBenchmark((std::string("BM_Cgi_") + shape(i).name).c_str(), readShape, i)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
