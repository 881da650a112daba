// The ID3v1 trailer decode and encode in every supported code page.
#include <cstdlib>
#include <cstring>

#include "model/id3v1.h"
#include "platform/codepage.h"

namespace {

const char* const kCodePages[] = {"windows-1250", "windows-1251", "windows-1252", "ISO-8859-1",
    "ISO-8859-2", "UTF-8", "CP437", "KOI8-R", "CP932", "GBK", "GB18030", "BIG5"};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 + 128)
        return 0;
    TagCodePage::Set(kCodePages[data[0] % (sizeof kCodePages / sizeof *kCodePages)]);
    Id3v1Block block;
    std::memcpy(block.data(), data + 1, block.size());
    block[0] = 'T';
    block[1] = 'A';
    block[2] = 'G';
    Id3v1Fields fields = ParseId3v1(block);
    Id3v1Fields copy = fields;
    Id3v1Block rendered = RenderId3v1(copy);
    Check(IsId3v1Block(rendered));
    Check(rendered[127] == block[127]);
    // What was stored reads back as the texts the record kept: decoding is reversible.
    Id3v1Fields again = ParseId3v1(rendered);
    Check(again.genre == fields.genre);
    Check(again.track == fields.track);
    Check(again.title == fields.title && again.artist == fields.artist
        && again.album == fields.album && again.year == fields.year
        && again.comment == fields.comment);

    // Free text from the rest of the input, cut to a field width.
    std::string text(reinterpret_cast<const char*>(data) + 129, size - 129);
    std::string fitted;
    std::string bytes = TagCodePage::Encode(text, 30, &fitted);
    Check(bytes.size() <= 30);
    Check(text.compare(0, fitted.size(), fitted) == 0);
    TagCodePage::Decode(reinterpret_cast<const char*>(data) + 129, size - 129);
    return 0;
}
