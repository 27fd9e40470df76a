#include "offload/CardLayout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace bp::offload;

namespace {

// A card root holding the given (empty) files and, for names ending in "/", folders.
QString card(const QTemporaryDir &base, const QString &name, const QStringList &paths)
{
    const QString root = base.filePath(name);
    QDir().mkpath(root);
    for (const QString &path : paths) {
        QDir().mkpath(QFileInfo(root + '/' + path).path());
        if (!path.endsWith('/'))
            QFile(root + '/' + path).open(QIODevice::WriteOnly);
    }
    return root;
}

TEST(CardLayout, RecognisesCamerasAndRecordersByTheirFoldersInAnyCase)
{
    QTemporaryDir base;
    const QList<std::tuple<QStringList, CardKind, QString>> cases{
        {{"DCIM/100CANON/IMG_0001.CR3"}, CardKind::photo, "DCIM"},
        {{"dcim/100GOPRO/GX010001.MP4"}, CardKind::video, "GoPro"},
        {{"DCIM/100MEDIA/GX010002.MP4", "MISC/"}, CardKind::video, "GoPro"},
        {{"DCIM/", "PRIVATE/M4ROOT/CLIP/C0001.MP4"}, CardKind::video, "Sony XAVC"},
        {{"XDROOT/Clip/"}, CardKind::video, "Sony XDCAM"},
        {{"CONTENTS/CLIPS001/"}, CardKind::video, "Canon XF"},
        {{"private/avchd/BDMV/"}, CardKind::video, "AVCHD"},
        {{"A001_0101.braw"}, CardKind::video, "Blackmagic RAW"},
        {{"FOLDER01/ZOOM0001.WAV"}, CardKind::audio, "Geluidsrecorder"},
        {{"241209/T01.WAV", "take.wav"}, CardKind::audio, "Geluidsrecorder"},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto &[paths, kind, layout] = cases[i];
        const auto info = recogniseCard(card(base, QString::number(i), paths), "LBL");
        ASSERT_TRUE(info) << paths.join(',').toStdString();
        EXPECT_EQ(info->kind, kind) << layout.toStdString();
        EXPECT_EQ(info->layout, layout);
    }
    EXPECT_FALSE(recogniseCard(card(base, "stick", {"notes.txt", "Music/a.wav"}), "LBL"));
    EXPECT_FALSE(recogniseCard(card(base, "empty", {}), "LBL"));
    // Without a label the mount point names the card.
    EXPECT_EQ(recogniseCard(card(base, "EOS_DIGITAL", {"DCIM/"}), "")->label, "EOS_DIGITAL");
}

TEST(CardLayout, DefaultFolderIsTheProjectsFolderForTheKindWithASafeLabel)
{
    QTemporaryDir project, bare;
    for (const char *folder : {"00_Drawings", "01_Footage", "02_GELUID", "03_Foto's"})
        QDir(project.path()).mkdir(folder);
    const QString p = project.path();
    EXPECT_EQ(defaultOffloadFolder(p, {"/m", "A:CAM", CardKind::video, "GoPro"}),
              p + "/01_Footage/A-CAM");
    EXPECT_EQ(defaultOffloadFolder(p, {"/m", "EOS", CardKind::photo, "DCIM"}), p + "/03_Foto's");
    EXPECT_EQ(defaultOffloadFolder(p, {"/m", "ZOOM", CardKind::audio, "x"}), p + "/02_GELUID/ZOOM");
    EXPECT_EQ(defaultOffloadFolder(bare.path(), {"/m", "EOS", CardKind::photo, "DCIM"}),
              bare.path() + "/EOS");
}

} // namespace
