#include <cstdlib>
#include <optional>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "app/gui/maindlg.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"

namespace {

// Each test gets a configuration folder of its own, so the settings file starts absent.
class MainDlgSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_old = old;
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_old)
            setenv("XDG_CONFIG_HOME", m_old->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    std::string File() const { return m_config / "Sonivar/Sonivar.reg"; }

    // The key as Add folder leaves it, with the values given.
    void CreateKey(const std::vector<std::pair<std::string, std::uint32_t>>& values = {})
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Create());
        key.SetString(kValueLastOpen, "/music");
        for (const auto& [name, value] : values)
            key.SetDword(name, value);
        ASSERT_EQ(key.Close(), 0);
    }

    std::optional<std::uint32_t> Dword(const std::string& name) const
    {
        CSettingsKey key;
        std::uint32_t value = 0;
        if (!key.Open() || !key.QueryDword(name, value))
            return std::nullopt;
        return value;
    }

    static void Show(CMainDlg& window)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
    }

    // The window's close box.
    static void CloseBox(CMainDlg& window)
    {
        EXPECT_TRUE(window.close());
        QApplication::processEvents();
    }

    static QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    TempDir m_config;
    std::optional<std::string> m_old;
    ScriptedUi m_ui;
};

} // namespace

TEST_F(MainDlgSettings, AFreshStartAndCloseLeaveNoFile)
{
    QRect shownAt;
    {
        CMainDlg window(m_ui);
        Show(window);
        shownAt = window.geometry();
        window.TrackListView()->horizontalHeader()->resizeSection(6, 333);
        CloseBox(window);
    }
    EXPECT_FALSE(FileExists(File()));
    EXPECT_FALSE(PathExists(m_config / "Sonivar"));

    // The next start has the template's size and the initial widths again.
    CMainDlg again(m_ui);
    Show(again);
    EXPECT_EQ(again.geometry().size(), shownAt.size());
    EXPECT_EQ(again.TrackListView()->horizontalHeader()->sectionSize(6), 100);
    CloseBox(again);
    EXPECT_FALSE(FileExists(File()));
}

TEST_F(MainDlgSettings, PlacementAndWidthsByColumnIndexSurviveARestart)
{
    CreateKey();
    const QRect available = Available();
    const QRect placed(available.left() + 20, available.top() + 30, 600, 400);
    {
        CMainDlg window(m_ui);
        Show(window);
        window.setGeometry(placed);
        QApplication::processEvents();
        // Folder (index 6) is shown last, after Genre (index 7).
        window.TrackListView()->horizontalHeader()->resizeSection(6, 321);
        window.TrackListView()->horizontalHeader()->resizeSection(0, 150);
        CloseBox(window);
    }
    ASSERT_TRUE(FileExists(File()));
    EXPECT_EQ(Dword("W6"), 321u);
    EXPECT_EQ(Dword("W7"), 100u);
    EXPECT_EQ(Dword("W0"), 150u);
    EXPECT_EQ(Dword("Left"), static_cast<std::uint32_t>(placed.left()));
    EXPECT_EQ(Dword("Top"), static_cast<std::uint32_t>(placed.top()));
    EXPECT_EQ(Dword("Right"), static_cast<std::uint32_t>(placed.left() + 600));
    EXPECT_EQ(Dword("Bottom"), static_cast<std::uint32_t>(placed.top() + 400));
    EXPECT_EQ(Dword("Zoom"), 0u);

    CMainDlg window(m_ui);
    QHeaderView* header = window.TrackListView()->horizontalHeader();
    // The widths are in place before the window is shown, the placement after.
    EXPECT_EQ(header->sectionSize(6), 321);
    EXPECT_EQ(header->sectionSize(7), 100);
    EXPECT_EQ(header->sectionSize(0), 150);
    Show(window);
    EXPECT_EQ(window.geometry(), placed);
    EXPECT_FALSE(window.isMaximized());
    CloseBox(window);
}

TEST_F(MainDlgSettings, ClosingMaximisedKeepsTheEdgesAndTheNextStartIsMaximised)
{
    const QRect available = Available();
    const QRect placed(available.left() + 10, available.top() + 10, 500, 300);
    CreateKey({{"Left", placed.left()}, {"Top", placed.top()}, {"Right", placed.left() + 500},
        {"Bottom", placed.top() + 300}});
    {
        CMainDlg window(m_ui);
        Show(window);
        EXPECT_EQ(window.geometry(), placed);
        window.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(window.isMaximized());
        CloseBox(window);
    }
    EXPECT_EQ(Dword("Zoom"), 1u);
    EXPECT_EQ(Dword("Left"), static_cast<std::uint32_t>(placed.left()));
    EXPECT_EQ(Dword("Right"), static_cast<std::uint32_t>(placed.left() + 500));
    EXPECT_EQ(Dword("Bottom"), static_cast<std::uint32_t>(placed.top() + 300));

    {
        CMainDlg window(m_ui);
        Show(window);
        EXPECT_TRUE(window.isMaximized());
        // Restored and closed, the window records Zoom 0 and its edges again.
        window.showNormal();
        QApplication::processEvents();
        window.setGeometry(placed.translated(5, 5));
        QApplication::processEvents();
        CloseBox(window);
    }
    EXPECT_EQ(Dword("Zoom"), 0u);
    EXPECT_EQ(Dword("Left"), static_cast<std::uint32_t>(placed.left() + 5));
}

TEST_F(MainDlgSettings, OnlyTheLow16BitsOfAWidthCount)
{
    CreateKey({{"W3", 65536 + 50}, {"W4", 0x20000 + 44}});
    CMainDlg window(m_ui);
    EXPECT_EQ(window.TrackListView()->horizontalHeader()->sectionSize(3), 50);
    EXPECT_EQ(window.TrackListView()->horizontalHeader()->sectionSize(4), 44);
    EXPECT_EQ(window.TrackListView()->horizontalHeader()->sectionSize(1), 100);
}

TEST_F(MainDlgSettings, AnIncompleteOrEmptyPlacementKeepsTheDefaultPlace)
{
    QSize defaultSize;
    {
        CMainDlg window(m_ui);
        defaultSize = window.size();
    }
    // "Top" without the other edges, then a rectangle of no width.
    CreateKey({{"Top", 50}});
    {
        CMainDlg window(m_ui);
        Show(window);
        EXPECT_EQ(window.size(), defaultSize);
        window.hide();
    }
    CreateKey({{"Left", 300}, {"Top", 50}, {"Right", 300}, {"Bottom", 400}});
    CMainDlg window(m_ui);
    Show(window);
    EXPECT_EQ(window.size(), defaultSize);
}

TEST_F(MainDlgSettings, AGarbageFileStartsWithDefaultsAndIsLeftAlone)
{
    MakeFolder(m_config / "Sonivar");
    std::string garbage
        = "\x89PNG not a registry file\n[HKEY_CURRENT_USER\\Sonivar\n\"W3\"=dword:zz";
    garbage += std::string("\0\xff\xfe", 3);
    WriteFileBytes(File(), garbage);
    {
        CMainDlg window(m_ui);
        Show(window);
        EXPECT_EQ(window.TrackListView()->horizontalHeader()->sectionSize(3), 100);
        EXPECT_FALSE(window.isMaximized());
        window.TrackListView()->horizontalHeader()->resizeSection(3, 77);
        CloseBox(window);
    }
    EXPECT_EQ(ReadFileBytes(File()), garbage);
}
