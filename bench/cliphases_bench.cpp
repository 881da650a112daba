// Where the time of `sonivar-cli list FOLDER` goes: the walk with its tag reads, the insertion
// of the rows into the track list, Select All, and the writing of the lines (to /dev/null).
// Usage: cliphases_bench FOLDER
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "session/tracklist.h"
#include "cli/listwriter.h"
#include "load/scanfolder.h"

namespace {

class Collector final : public ScanSink {
public:
    void OnFile(TrackList::Cells&& row, const std::string&, const std::string&, int) override
    {
        m_rows.push_back(std::move(row));
    }
    std::vector<TrackList::Cells> m_rows;
};

// A walk that only counts, to split the walk's own cost from that of keeping the rows.
class Counter final : public ScanSink {
public:
    void OnFile(TrackList::Cells&&, const std::string&, const std::string&, int) override
    {
        ++m_nRows;
    }
    int m_nRows = 0;
};

template <typename Step> double Measure(const char* what, Step step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%-40s %9.1f ms\n", what, took.count());
    return took.count();
}

double PeakMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: cliphases_bench FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    Counter counter;
    Measure("walk and tag reads, rows dropped", [&] { ScanFolder(folder, counter); });
    Collector collector;
    double total = 0;
    total += Measure("walk and tag reads, rows kept", [&] { ScanFolder(folder, collector); });
    TrackList list;
    total += Measure("TrackList::AddRows", [&] {
        list.SetRedraw(false);
        list.AddRows(std::move(collector.m_rows));
        list.SetRedraw(true);
    });
    total += Measure("SelectAll", [&] { list.SelectAll(); });
    std::FILE* null = std::fopen("/dev/null", "w");
    total += Measure("WriteList to /dev/null", [&] { WriteList(list, null); });
    std::fclose(null);
    std::printf("%-40s %9.1f ms\n", "total of the kept phases", total);
    std::printf("rows %d, peak resident %.1f MB\n", list.GetItemCount(), PeakMb());
    return 0;
}
