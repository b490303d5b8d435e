#include "About.h"
#include "Version.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostan;

namespace {

struct SubstituteTable {
    explicit SubstituteTable(std::optional<TVersionInfo> T) { SetVersionInfoTableForTest(std::move(T)); }
    ~SubstituteTable() { SetVersionInfoTableForTest(std::nullopt); }
};

TVersionInfo Table(std::vector<std::pair<QString, QString>> Strings)
{
    return TVersionInfo{{TVersionStringTable{"041904E3", std::move(Strings)}}};
}

} // namespace

TEST(AboutBox, ShowsVersionAndCopyrightOfTheResource)
{
    struct Case {
        const char* name;
        std::optional<TVersionInfo> table;
        QString version, copyright;
    };
    const QString noVersion = "Информация о версии не найдена";
    const QString noMaker = "Информация о разработчике не найдена";
    const Case cases[] = {
        {"built-in", std::nullopt, "Версия 2.4", "© Мастерская Vantrel, 2024"},
        {"one-part version", Table({{"FileVersion", "7"}, {"LegalCopyright", "© Мастерская"}}), noVersion, "© Мастерская"},
        {"no copyright", Table({{"FileVersion", "2.4"}}), "Версия 2.4", ""},
        {"no resource", TVersionInfo{}, noVersion, noMaker},
    };
    for (const Case& c : cases) {
        SubstituteTable sub(c.table);
        TAboutBox box;
        EXPECT_EQ(box.Version->text(), c.version) << c.name;
        EXPECT_EQ(box.Copyright->text(), c.copyright) << c.name;
    }
}

TEST(AboutBox, LayoutAndClosing)
{
    QWidget owner;
    TAboutBox box(&owner);
    EXPECT_EQ(box.windowTitle(), "О программе");
    EXPECT_EQ(box.size(), QSize(298, 218));
    EXPECT_EQ(box.ProgramIcon->size(), QSize(265, 50));
    EXPECT_EQ(box.Comments->text(), "Программа управления\nтехнологическим адаптером\nдля ремонта и настройки приборов");
    EXPECT_TRUE(box.Comments->font().bold());
    EXPECT_EQ(box.OKButton->text(), "OK");
    EXPECT_TRUE(box.OKButton->isDefault());

    // Enter presses the default button; the modal result is OK.
    QTimer::singleShot(0, [] {
        auto* b = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->focusWidget(), b->OKButton);
        b->grab(); // paints the drawn picture
        QTest::keyClick(b, Qt::Key_Return);
    });
    EXPECT_EQ(TAboutBox::Execute(&owner), QDialog::Accepted);
}
