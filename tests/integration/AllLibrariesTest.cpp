// The program's real Plugins folder with every device library the workshop
// uses: the scan finds each with its texts and pictures, the device dialog
// lists them in order, and the adapter's device IDs activate the real
// meters' libraries.
#include "EndToEndSupport.h"
#include "PluginScan.h"

#include <QImage>
#include <QSet>
#include <map>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

struct Library {
    const char* Module;
    const char* Caption;
    const char* Description;
};

const Library Libraries[] = {
    {"PIP_KARN7E_8", "Блок датчкика KARN-7E/8",
     "Блок датчкика KARN-7E/8 нового поколения. Может применятся в приборах KARN-7E и KARN-8."},
    {"PIP_KARN7E", "Блок датчкика KARN-7E", "Блок датчкика KARN-7E (взрывозащищенный)"},
    {"PIP_DELM", "Блок датчкика DELM", "Блок датчкика DELM"},
    {"PIP_KARN7", "Блок датчкика KARN-7", "Блок датчкика KARN-7"},
    {"MOLT2old", "MOLT-2.1 старый вар.", "Ранняя модификация MOLT-2.1 (одноплатный вариант исполнения)"},
    {"MOLT2", "MOLT-2.1", "Последняя модификация MOLT-2.1 (вариант исполнения 1 и 2)"},
    {"TIRA5", "TIRA5.1, TIRA5.2", "Портативные измерители концентрации горючих газов TIRA5.1, TIRA5.2"},
    {"SEVO1", "SEVO-1, TIRA5.3", "Портативные измерители SEVO-1, TIRA5.3"},
    {"TIRA4", "TIRA4 (Кислород)", "Измеритель концентрации кислорода TIRA-4"},
    {"BRUN3vm", "BRUN-3вм", "Последняя модификация BRUN-3вм (BRUN9)"},
    {"TIRA6", "TIRA6", "Портативный течеискатель TIRA6"},
};

// The names in order, readable in a failure message.
std::string Sorted(const QSet<QString>& Names)
{
    QStringList L(Names.begin(), Names.end());
    L.sort();
    return L.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST(AllLibraries, TheScanFindsEveryLibraryWithItsTextsAndPicturesAndTheDialogSortsThem)
{
    TTempStore Store;
    TQuickStart Quick;
    MessageBoxRecorder Boxes;
    TPluginScan Scan(QStringLiteral("Plugins"), QStringLiteral(PROGRAM_DIR));
    Scan.Scan();

    std::map<QString, const TDLLInfo*> Found;
    for (const auto& Info : Scan.Modules)
        Found[Info->ModuleName] = Info.get();
    QSet<QString> Wanted;
    QSet<QString> Have;
    for (const Library& L : Libraries)
        Wanted << QString::fromUtf8(L.Module);
    for (const auto& [Module, Info] : Found)
        Have << Module;
    EXPECT_EQ(Sorted(Wanted - Have), "") << "libraries missing from " << PROGRAM_DIR "/Plugins";
    EXPECT_EQ(Sorted(Have - Wanted), "") << "libraries nobody asked for";

    // Every library draws its own device; its two cables differ from each other.
    std::vector<std::pair<QString, QImage>> DeviceDrawings;
    for (const Library& L : Libraries) {
        const auto It = Found.find(QString::fromUtf8(L.Module));
        if (It == Found.end())
            continue;
        SCOPED_TRACE(L.Module);
        const TDLLInfo& Info = *It->second;
        EXPECT_EQ(Info.Caption, QString::fromUtf8(L.Caption));
        EXPECT_EQ(Info.Description, QString::fromUtf8(L.Description));
        for (const auto* Picture : {&Info.DevicePicture, &Info.ConnectionPictureBLS4, &Info.ConnectionPictureBLS5}) {
            ASSERT_TRUE(*Picture);
            EXPECT_FALSE((*Picture)->Empty());
        }
        EXPECT_NE(Info.ConnectionPictureBLS4->Graphic(), Info.ConnectionPictureBLS5->Graphic());
        for (const auto& [Module, Drawing] : DeviceDrawings)
            EXPECT_NE(Info.DevicePicture->Graphic(), Drawing) << "the same device picture as " << Module.toStdString();
        DeviceDrawings.emplace_back(Info.ModuleName, Info.DevicePicture->Graphic());
    }

    // Sorted by caption ignoring case: the Latin captions before the Cyrillic.
    TDeviceChooseDialog Dialog(nullptr, QStringLiteral(PROGRAM_DIR));
    QStringList Listed;
    for (int I = 0; I < Dialog.DeviceListBox->count(); ++I)
        Listed << Dialog.DeviceListBox->item(I)->text();
    EXPECT_EQ(Listed.join(QStringLiteral(" | ")).toStdString(),
              "BRUN-3вм | MOLT-2.1 | MOLT-2.1 старый вар. | SEVO-1, TIRA5.3 | TIRA4 (Кислород) | "
              "TIRA5.1, TIRA5.2 | TIRA6 | Блок датчкика DELM | Блок датчкика KARN-7 | Блок датчкика KARN-7E | "
              "Блок датчкика KARN-7E/8");
    // Every caption is shown whole, the pictures beside the list.
    Dialog.show();
    QApplication::processEvents();
    QListWidget* List = Dialog.DeviceListBox;
    for (int I = 0; I < List->count(); ++I)
        EXPECT_LE(List->sizeHintForIndex(List->model()->index(I, 0)).width(), List->viewport()->width())
            << Listed[I].toStdString();
    EXPECT_GE(Dialog.ImagePanel->x(), List->geometry().right());
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}

class AllLibrariesAutoSelect : public TEndToEndFixture {};

TEST_F(AllLibrariesAutoSelect, DeviceIdFramesActivateTheRealMeterLibraries)
{
    Parts(*Main).AutoSelectPlugin->setChecked(true);
    struct Step {
        uint8_t Id;
        const char* Module;
        const char* Caption;
        const char* Select; // the adapter told the device code and its check
        int PacketLength;
    };
    const Step Steps[] = {
        {1, "TIRA5", "TIRA5.1, TIRA5.2", "0D0A0403 0303", 26},
        {2, "TIRA6", "TIRA6", "0D0A0403 0303", 19},
        {3, "TIRA4", "TIRA4 (Кислород)", "0D0A0403 0404", 18},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.Module);
        Emu->ClearRecords();
        Emu->SendDeviceId(S.Id);
        if (!PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 3000)) {
            ADD_FAILURE() << "device ID " << int(S.Id) << " selected nothing";
            continue;
        }
        EXPECT_EQ(Emu->RawReceived().left(6), Hex(S.Select));
        EXPECT_EQ(Main->DeviceChooseDialog->SelectedModule, QLatin1String(S.Module));
        EXPECT_EQ(Parts(*Main).Link.Receiver().PacketLength(), S.PacketLength);
        ASSERT_TRUE(Parts(*Main).CurrentPlugin);
        EXPECT_EQ(Parts(*Main).CurrentPlugin->GetCaption(), std::string(S.Caption));
    }
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}
