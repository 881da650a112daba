// Cross-checks against programs nobody here wrote: lame, id3v2 and mutagen.
#include <gtest/gtest.h>

#include "model/mp3file.h"
#include "platform/codepage.h"
#include "support/fixtures.h"

namespace {

// Debian's own interpreter, which has python3-mutagen (an interpreter earlier on PATH may not).
const std::string kPython = "/usr/bin/python3";

class PeersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveProgram("lame") || !HaveProgram("sox") || !HaveProgram(kPython))
            GTEST_SKIP() << "lame, sox and python3 are needed";
        TagCodePage::Set("windows-1250");
        m_tone = ToneMp3Bytes(1.0);
        ASSERT_FALSE(m_tone.empty());
    }

    std::string Python(const std::string& script, const std::string& path)
    {
        const std::string out = m_dir / "py.out";
        int status = RunCommand(kPython + " -c " + ShellQuote(script) + " " + ShellQuote(path)
            + " > " + ShellQuote(out) + " 2>&1");
        std::string text = ReadFileBytes(out);
        EXPECT_EQ(status, 0) << text;
        return text;
    }

    TempDir m_dir;
    std::string m_tone;
};

CMp3File Loaded(const std::string& path)
{
    CMp3File mp3;
    mp3.Load(path);
    return mp3;
}

} // namespace

TEST_F(PeersTest, ReadsTrailersWrittenByLameAndId3v2)
{
    const std::string wav = m_dir / "tone.wav";
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 1 " + wav + " synth 0.5 sine 300 2>/dev/null"), 0);
    const std::string lamed = m_dir / "lame.mp3";
    ASSERT_EQ(RunCommand("lame --quiet --id3v1-only --tt 'Night Song' --ta 'Grey Heron' --tl "
                         "'Shore' --ty 2001 --tc 'made by lame' --tg Jazz "
                  + wav + " " + lamed),
        0);
    CMp3File a = Loaded(lamed);
    EXPECT_EQ(a.m_strTitle, "Night Song");
    EXPECT_EQ(a.m_strArtist, "Grey Heron");
    EXPECT_EQ(a.m_strAlbum, "Shore");
    EXPECT_EQ(a.m_strYear, "2001");
    EXPECT_EQ(a.m_strComment, "made by lame");
    EXPECT_EQ(a.m_byGenre, 8);

    if (!HaveProgram("id3v2"))
        GTEST_SKIP() << "id3v2 is missing";
    const std::string tagged = m_dir / "id3v2.mp3";
    WriteFileBytes(tagged, m_tone);
    ASSERT_EQ(RunCommand("id3v2 -1 -a Owls -t Daybreak -A Night -y 1999 -g 17 " + tagged), 0);
    CMp3File b = Loaded(tagged);
    EXPECT_EQ(b.m_strArtist, "Owls");
    EXPECT_EQ(b.m_strTitle, "Daybreak");
    EXPECT_EQ(b.m_strAlbum, "Night");
    EXPECT_EQ(b.m_strYear, "1999");
    EXPECT_EQ(b.m_byGenre, 17);
}

TEST_F(PeersTest, MutagenReadsWhatWriteTagWrote)
{
    const std::string path = m_dir / "w.mp3";
    WriteFileBytes(path, m_tone);
    CMp3File mp3 = Loaded(path);
    mp3.m_strTitle = "Šetnja";
    mp3.m_strArtist = "Đorđe";
    mp3.m_strAlbum = "Album";
    mp3.m_strYear = "2003";
    mp3.m_strComment = "ok";
    mp3.m_byGenre = 13;
    ASSERT_TRUE(mp3.WriteTag());
    const std::string script = R"(
import sys
from mutagen.id3 import ParseID3v1
data = open(sys.argv[1], 'rb').read()[-128:]
frames = ParseID3v1(data)
def text(key):
    return str(frames[key]) if key in frames else ''
# mutagen decodes ID3v1 as Latin-1; re-read the bytes as windows-1250
fix = lambda s: s.encode('latin-1').decode('cp1250')
print(fix(text('TIT2')), fix(text('TPE1')), text('TALB'), text('TDRC'), frames['TCON'].genres[0], sep='|')
)";
    EXPECT_EQ(Python(script, path), "Šetnja|Đorđe|Album|2003|Pop\n");
}

TEST_F(PeersTest, RemovesAWholeId3v23TagWithUtf16TextAndPicture)
{
    const std::string path = m_dir / "v2.mp3";
    const std::string original = m_tone + std::string(Id3v1Bytes("Keep", "Me", "", "", "", 1));
    WriteFileBytes(path, original);
    const std::string script = R"(
import sys, os
from mutagen.id3 import ID3, TIT2, TPE1, APIC
tag = ID3()
tag.add(TIT2(encoding=1, text='Tëst ÿÿÿ'))
tag.add(TPE1(encoding=1, text='Ünicode'))
tag.add(APIC(encoding=1, mime='image/jpeg', type=3, desc='cover',
             data=b'\xff\xd8\xff\xe0' + bytes((i * 7) % 256 for i in range(5000)) + b'\xff\xd9'))
tag.save(sys.argv[1], v2_version=3, v1=1)
print(os.path.getsize(sys.argv[1]))
)";
    Python(script, path);
    const std::string withTag = ReadFileBytes(path);
    ASSERT_GT(withTag.size(), original.size() + 5000);
    ASSERT_EQ(withTag.substr(0, 4), std::string("ID3\x03", 4));
    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    ASSERT_TRUE(mp3.RemoveId3v2());
    // mutagen rewrote the ID3v1 trailer from its frames; everything else is the lame stream.
    const std::string expected = m_tone + withTag.substr(withTag.size() - 128);
    const std::string result = ReadFileBytes(path);
    EXPECT_EQ(result.size(), expected.size());
    EXPECT_TRUE(result == expected) << "the bytes after the tag must be the original bytes";
}

// Trailers that eyeD3, id3v2 and mutagen wrote, with a track number and (mutagen) bytes that
// windows-1250 does not define: after we set the year, every peer still reads the same track
// and the same bytes.
TEST_F(PeersTest, TrackNumbersAndUndefinedBytesSurviveOurWrites)
{
    const std::string mutagenMade = m_dir / "mutagen.mp3";
    WriteFileBytes(mutagenMade, m_tone);
    Python(R"(
import sys
from mutagen.id3 import ID3, TPE1, TRCK, COMM
tag = ID3()
tag.add(TPE1(encoding=0, text='\x81\x83\x88\x90\x98'))
tag.add(TRCK(encoding=0, text='7'))
tag.add(COMM(encoding=0, lang='eng', desc='', text='a comment'))
tag.save(sys.argv[1], v1=2, v2_version=3)
ID3(sys.argv[1]).delete(sys.argv[1], delete_v1=False, delete_v2=True)
)",
        mutagenMade);
    std::vector<std::string> files = {mutagenMade};
    if (HaveProgram("eyeD3")) {
        files.push_back(m_dir / "eyed3.mp3");
        WriteFileBytes(files.back(), m_tone);
        ASSERT_EQ(
            RunCommand("eyeD3 -1 -n 7 -a Owls -c 'a comment' " + files.back() + " >/dev/null 2>&1"),
            0);
    }
    if (HaveProgram("id3v2")) {
        files.push_back(m_dir / "id3v2.mp3");
        WriteFileBytes(files.back(), m_tone);
        ASSERT_EQ(RunCommand("id3v2 -1 -T 7 -a Owls -c 'a comment' " + files.back()), 0);
    }
    const std::string read = R"(
import sys
from mutagen.id3 import ParseID3v1
frames = ParseID3v1(open(sys.argv[1], 'rb').read()[-128:])
print(str(frames['TRCK']), str(frames['TPE1']).encode('latin-1').hex(), str(frames.get('TDRC', '')), sep='|')
)";
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::string before = ReadFileBytes(path);
        ASSERT_EQ(before.substr(before.size() - 3, 2), std::string("\0\x07", 2));
        const std::string peerRead = Python(read, path);
        ASSERT_TRUE(peerRead.starts_with("7|") && peerRead.ends_with("|\n")) << peerRead;
        CMp3File mp3;
        mp3.Load(path, CMp3File::kForUpdate);
        EXPECT_EQ(mp3.m_byTrack, 7);
        mp3.m_strYear = "2024";
        ASSERT_TRUE(mp3.WriteTag());
        std::string expected = before;
        expected.replace(expected.size() - 128 + 93, 4, "2024");
        EXPECT_EQ(ReadFileBytes(path), expected);
        EXPECT_EQ(Python(read, path), peerRead.substr(0, peerRead.size() - 1) + "2024\n");
        if (HaveProgram("id3v2")) {
            EXPECT_EQ(RunCommand("id3v2 -l " + path + " | grep -q 'Track: 7'"), 0);
        }
        if (HaveProgram("eyeD3")) {
            EXPECT_EQ(RunCommand("eyeD3 -1 " + path + " 2>/dev/null | grep -q 'track: 7'"), 0);
        }
    }
    if (files.size() == 1)
        GTEST_SKIP() << "eyeD3 and id3v2 are missing";
}
