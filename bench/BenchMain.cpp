// The main() of tavri-bench. Benchmarks are named "Operation/implementation[/arguments]", with
// `ours` beside its peers; after the usual output a table gives, per operation, the median time
// per call of each implementation and how ours compares with each peer.
//
// Medians need repetitions: unless the command line sets --benchmark_repetitions, every
// benchmark runs 9 times and only the aggregates are printed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TMedian {
    std::string Operation, Implementation;
    double Milliseconds, CpuMilliseconds;
};

class TSummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || !(median || single)) {
                continue;
            }
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) {
                name += "/" + run.run_name.args;
            }
            const double toMs = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            Record(name, run.GetAdjustedRealTime() * toMs, run.GetAdjustedCPUTime() * toMs);
        }
    }

    void PrintSummary() const {
        if (medians_.empty()) {
            return;
        }
        std::printf(
            "\nMedians per call: real time and this process's CPU time. Ratios use real "
            "time;\nours/peer below 1 means ours is faster.\n");
        std::printf("%-36s %-10s %10s %10s %10s %9s\n", "Operation", "Impl", "median ms", "cpu ms",
                    "ours/peer", "speed-up");
        std::string shown;
        for (const TMedian& m : medians_) {
            const TMedian* ours = Find(m.Operation, "ours");
            const std::string operation = m.Operation == shown ? "" : m.Operation;
            shown = m.Operation;
            if (ours == nullptr || ours == &m) {
                std::printf("%-36s %-10s %10.4f %10.4f\n", operation.c_str(),
                            m.Implementation.c_str(), m.Milliseconds, m.CpuMilliseconds);
                continue;
            }
            std::printf("%-36s %-10s %10.4f %10.4f %10.3f %8.1fx\n", operation.c_str(),
                        m.Implementation.c_str(), m.Milliseconds, m.CpuMilliseconds,
                        ours->Milliseconds / m.Milliseconds, m.Milliseconds / ours->Milliseconds);
        }
    }

  private:
    // "Op/impl/args" belongs to operation "Op/args".
    void Record(const std::string& name, double milliseconds, double cpuMilliseconds) {
        const size_t first = name.find('/');
        TMedian m{name, "", milliseconds, cpuMilliseconds};
        if (first != std::string::npos) {
            const size_t second = name.find('/', first + 1);
            m.Operation = name.substr(0, first);
            m.Implementation = name.substr(first + 1, second - first - 1);
            if (second != std::string::npos) {
                m.Operation += name.substr(second);
            }
        }
        // Keep an operation's implementations together, in the order they ran.
        size_t at = medians_.size();
        for (size_t i = 0; i < medians_.size(); ++i) {
            if (medians_[i].Operation == m.Operation) {
                at = i + 1;
            }
        }
        medians_.insert(medians_.begin() + long(at), m);
    }

    const TMedian* Find(const std::string& operation, std::string_view implementation) const {
        for (const TMedian& m : medians_) {
            if (m.Operation == operation && m.Implementation == implementation) {
                return &m;
            }
        }
        return nullptr;
    }

    std::vector<TMedian> medians_;
};

bool HasFlag(int argc, char** argv, std::string_view flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]).substr(0, flag.size()) == flag) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=9";
    std::string aggregatesOnly = "--benchmark_report_aggregates_only=true";
    if (!HasFlag(argc, argv, "--benchmark_repetitions")) {
        args.push_back(repetitions.data());
        if (!HasFlag(argc, argv, "--benchmark_report_aggregates_only")) {
            args.push_back(aggregatesOnly.data());
        }
    }
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
