// Writes one workload to standard output, for the benchmarks that time other
// programs on the same bytes:
//   lemnar_bench_workload plain|colour|qnx-fullscreen [MiB]

#include "bench/Workloads.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace lemnar::bench;
    const std::string name = argc > 1 ? argv[1] : "plain";
    const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 64;
    TWorkload workload = TWorkload::Plain;
    if (!WorkloadNamed(name, workload)) {
        std::fprintf(stderr, "unknown workload %s\n", name.c_str());
        return 2;
    }
    const std::string bytes = MakeWorkload(workload, mib << 20);
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() ? 0 : 1;
}
