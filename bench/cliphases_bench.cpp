// Where the time of `sonivar-cli list FOLDER` goes: the walk with its tag reads, the making and
// staging of its rows in batches of 1024 (done while the walk runs in the real load), their
// placement into the track list at the end of the load, Select All, and the writing of the lines
// (to /dev/null); then the whole load as the CLI runs it (LoadRows: walk on its thread, staging,
// placement). Usage: cliphases_bench FOLDER
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/listwriter.h"
#include "load/foundbatch.h"
#include "load/loadfolder.h"
#include "load/rowdecoder.h"
#include "load/scanfolder.h"
#include "session/tracklist.h"

namespace {

// Keeps the files in batches as large as the CLI's.
class Collector final : public ScanSink {
public:
    void OnFile(const FoundFile& file, int) override
    {
        if (m_batches.empty() || m_batches.back().Size() == kBatch)
            m_batches.emplace_back();
        m_batches.back().Add(file);
    }
    static constexpr std::size_t kBatch = 1024;
    std::vector<FoundBatch> m_batches;
};

// A walk that only counts, to split the walk's own cost from that of keeping the files.
class Counter final : public ScanSink {
public:
    void OnFile(const FoundFile&, int) override { ++m_nRows; }
    int m_nRows = 0;
};

// Batches as large as the CLI's.
class CliLoad final : public LoadView {
public:
    void ShowProgress(const ScanWorker::Progress&) override { }
    std::size_t BatchRows() const override { return 1024; }
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
    list.SetRedraw(false);
    total += Measure("rows made and staged, batches of 1024", [&] {
        RowDecoder decoder;
        for (const FoundBatch& files : collector.m_batches) {
            list.StageRows(files.Size(), [&](std::size_t i, TrackList::CellViews& cells) {
                decoder.CellsOf(files.At(i), cells);
            });
        }
        collector.m_batches = {};
    });
    total += Measure("TrackList::PlaceStagedRows", [&] {
        list.PlaceStagedRows();
        list.SetRedraw(true);
    });
    total += Measure("SelectAll", [&] { list.SelectAll(); });
    std::FILE* null = std::fopen("/dev/null", "w");
    total += Measure("WriteList to /dev/null", [&] { WriteList(list, null); });
    std::fclose(null);
    std::printf("%-40s %9.1f ms\n", "total of the kept phases", total);
    std::printf("rows %d, peak resident %.1f MB\n", list.GetItemCount(), PeakMb());
    list.DeleteAllItems();
    TrackList loaded;
    loaded.SetRedraw(false);
    CliLoad view;
    Measure("LoadRows, staged and placed",
        [&] { LoadRows(loaded, view, [&](ScanSink& sink) { ScanFolder(folder, sink); }); });
    loaded.SetRedraw(true);
    std::printf("rows %d\n", loaded.GetItemCount());
    return 0;
}
