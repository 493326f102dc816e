#include "ui/WindowPlacement.h"

#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

// Found by GoogleTest next to QRect, in the global namespace.
[[maybe_unused]] static void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << '(' << rect.x() << ", " << rect.y() << ", " << rect.width() << 'x' << rect.height()
         << ')';
}

namespace {

const QString kSection = u"Catalog Explorer"_s;

class WindowPlacementTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_settings = std::make_unique<SettingsStore>(
            SettingsStore::IniFile{m_folder.filePath(u"placement.ini"_s)});
    }

    qint64 Read(const char *value) const
    {
        return m_settings->ReadInteger(kSection, QString::fromUtf8(value), -99999);
    }

    // Stores the texts as a hand edit of the settings file would.
    void Write(std::initializer_list<std::pair<const char *, const char *>> values)
    {
        for (const auto &[value, text] : values)
            m_settings->WriteText(kSection, QString::fromUtf8(value), QString::fromUtf8(text));
    }

    static void ShowAndWait(QWidget &window)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window) || window.isMinimized());
    }

    QTemporaryDir m_folder;
    std::unique_ptr<SettingsStore> m_settings;
};

const QRect kNormal(100, 120, 400, 300);

TEST_F(WindowPlacementTest, ANormalWindowComesBackWhereItWas)
{
    QWidget saved;
    saved.setGeometry(kNormal);
    ShowAndWait(saved);
    SavePlacement(saved, *m_settings, kSection);
    EXPECT_EQ(Read("Saved"), 1);
    EXPECT_EQ(Read("State"), 0);
    EXPECT_EQ(QRect(Read("Left"), Read("Top"), Read("Width"), Read("Height")), kNormal);
    EXPECT_EQ(Read("MaxLeft"), -99999) << "a normal window writes no maximized position";

    QWidget loaded;
    loaded.setGeometry(10, 10, 200, 150);
    LoadPlacement(loaded, *m_settings, kSection);
    ShowAndWait(loaded);
    EXPECT_EQ(loaded.geometry(), kNormal);
    EXPECT_EQ(loaded.windowState(), Qt::WindowNoState);
}

TEST_F(WindowPlacementTest, AMaximizedWindowComesBackMaximizedAndRestoresToItsNormalSize)
{
    QWidget saved;
    saved.setGeometry(kNormal);
    ShowAndWait(saved);
    saved.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&saved] { return saved.width() > kNormal.width(); }));
    SavePlacement(saved, *m_settings, kSection);
    EXPECT_EQ(Read("State"), 2);
    EXPECT_EQ(QRect(Read("Left"), Read("Top"), Read("Width"), Read("Height")), kNormal)
        << "the rectangle it returns to, not the maximized one";
    EXPECT_EQ(QRect(Read("MaxLeft"), Read("MaxTop"), Read("MaxWidth"), Read("MaxHeight")),
              saved.geometry());

    QWidget loaded;
    LoadPlacement(loaded, *m_settings, kSection);
    ShowAndWait(loaded);
    EXPECT_TRUE(loaded.isMaximized());
    EXPECT_EQ(loaded.normalGeometry(), kNormal);
    loaded.showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&loaded] { return loaded.geometry() == kNormal; }))
        << testing::PrintToString(loaded.geometry());
}

TEST_F(WindowPlacementTest, AMinimizedWindowKeepsItsNormalRectangle)
{
    QWidget saved;
    saved.setGeometry(kNormal);
    ShowAndWait(saved);
    saved.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&saved] { return saved.isMinimized(); }));
    SavePlacement(saved, *m_settings, kSection);
    EXPECT_EQ(Read("State"), 1);
    EXPECT_EQ(QRect(Read("Left"), Read("Top"), Read("Width"), Read("Height")), kNormal);
    EXPECT_NE(Read("MaxLeft"), -99999);
    EXPECT_EQ(Read("MaxWidth"), -99999) << "only a maximized window writes its size";

    QWidget loaded;
    LoadPlacement(loaded, *m_settings, kSection);
    EXPECT_TRUE(loaded.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(loaded.normalGeometry(), kNormal);
}

TEST_F(WindowPlacementTest, StoredValuesAreCheckedBeforeTheyMoveTheWindow)
{
    Write({{"Left", "300"}, {"State", "2"}, {"Saved", "0"}});
    QWidget window;
    window.setGeometry(kNormal);
    LoadPlacement(window, *m_settings, kSection);
    EXPECT_EQ(window.geometry(), kNormal) << "nothing is restored until a placement was saved";
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);

    // Values read as the settings rules say; missing ones keep the window's.
    Write({{"Saved", "1"},
           {"State", "0"},
           {"Left", "0x100"},
           {"Top", "0X40"},
           {"Width", "not a number"}});
    LoadPlacement(window, *m_settings, kSection);
    EXPECT_EQ(window.geometry(), QRect(256, 64, kNormal.width(), kNormal.height()));

    // A window saved on a screen that is gone is brought back.
    Write({{"Left", "5000"}, {"Top", "-4000"}, {"Width", "300"}, {"Height", "9000"}});
    QWidget lost;
    LoadPlacement(lost, *m_settings, kSection);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(lost.geometry())) << testing::PrintToString(lost.geometry());
    EXPECT_EQ(lost.width(), 300);
}

} // namespace
