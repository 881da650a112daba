// Sorted insertion of 100,000 rows arriving in random order in batches of 256 (as the folder
// scan sends them), then header sorts, the selection walk and Select All / Invert; prints the
// time of each step.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include <QCoreApplication>

#include "session/tracklist.h"

namespace {

template <typename Step> void Measure(const char* what, Step step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%-44s %9.1f ms\n", what, took.count());
}

// Resident set size of the process now, in MB (from /proc/self/status).
double ResidentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kRows = 100000;
    constexpr int kBatch = 256;
    std::mt19937 random(42);
    const double baseMb = ResidentMb();
    auto makeRow = [&random](int i) {
        const unsigned n = random();
        char file[64];
        std::snprintf(
            file, sizeof file, "%c%08x - Song %u.mp3", 'A' + static_cast<int>(n % 26), n, i);
        return TrackList::Cells {file, "Artist " + std::to_string(n % 977),
            "Album " + std::to_string(n % 131), "Song " + std::to_string(i),
            std::to_string(1960 + n % 60), "",
            "/home/user/Music/Library/Folder " + std::to_string(n % 500), "Rock"};
    };
    TrackList list;
    Measure("AddRows 100,000 in batches of 256", [&] {
        for (int i = 0; i < kRows; i += kBatch) {
            std::vector<TrackList::Cells> batch;
            for (int k = i; k < std::min(kRows, i + kBatch); ++k)
                batch.push_back(makeRow(k));
            list.AddRows(std::move(batch));
        }
    });
    bool ordered = true;
    for (int i = 1; i < list.GetItemCount() && ordered; ++i)
        ordered = QString::fromStdString(list.GetItemText(i - 1, 0))
                      .compare(QString::fromStdString(list.GetItemText(i, 0)), Qt::CaseInsensitive)
            <= 0;
    std::printf("rows %d, in File order: %s, resident memory of the rows %.1f MB\n",
        list.GetItemCount(), ordered ? "yes" : "NO", ResidentMb() - baseMb);
    Measure(
        "header sort Artist (ascending)", [&] { list.SortOnHeaderClick(TrackList::ColArtist); });
    Measure("header sort Artist again (descending)",
        [&] { list.SortOnHeaderClick(TrackList::ColArtist); });
    Measure("header sort Year", [&] { list.SortOnHeaderClick(TrackList::ColYear); });
    Measure("Select All", [&] { list.SelectAll(); });
    Measure("select every other row (50,000 calls)", [&] {
        for (int i = 0; i < kRows; i += 2)
            list.SetSelected(i, false);
    });
    Measure("Invert selection", [&] { list.InvertSelection(); });
    long sum = 0;
    Measure("selection walk over 50,000 selected rows", [&] {
        for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row))
            sum += row;
    });
    Measure("header sort File with 50,000 selected",
        [&] { list.SortOnHeaderClick(TrackList::ColFile); });
    std::printf("selected after sort: %d\n", list.GetSelectedCount());
    std::vector<int> remove;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row))
        remove.push_back(row);
    Measure("DeleteItems of the 50,000 selected rows", [&] { list.DeleteItems(remove); });
    std::printf("rows left %d (walk sum %ld)\n", list.GetItemCount(), sum);
    return 0;
}
