// The Fun Sounds page on the offscreen platform: "<<" with its place and limit, descriptions
// edited in place, groups created, renamed and deleted in the folder, sounds deleted and
// imported into a group, and names that would lead out of the folder.
#include "options/pg_emotics.h"

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "sound/wave.h"
#include "sound_pages_env.h"

namespace {

namespace fs = std::filesystem;
using namespace soundpagetest;

class EmoticsPage : public SoundPageTest {
protected:
    void SetUp() override {
        SoundPageTest::SetUp();
        fs::create_directories(folder_.File("emoticsounds/Animals/Birds"));
        Mono("emoticsounds/Animals/dog.wav", 0.1);
        Mono("emoticsounds/Animals/cat.wav", 0.1);
        Mono("emoticsounds/horn.wav", 0.1);
        testsupport::WriteFile(folder_.File("emoticsounds/readme.txt"), "not a sound");
    }
    std::unique_ptr<CPgEmotics> Open() {
        auto page = std::make_unique<CPgEmotics>(context_);
        page->SetImportChooser([this](QWidget*, const QString&) { return chosen_; });
        page->show();
        QApplication::setActiveWindow(page.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(page.get()));
        page->OnSetActive();
        return page;
    }
    static QTreeWidget* Tree(CPgEmotics& page) { return Child<QTreeWidget>(page, "tree"); }
    static QTreeWidget* Used(CPgEmotics& page) { return Child<QTreeWidget>(page, "used"); }
    // The tree as text: one line per item, indented by depth.
    static std::string TreeText(CPgEmotics& page) {
        std::string text;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            for (int i = 0; i < item->childCount(); ++i) {
                text += std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                        item->child(i)->text(0).toStdString() + "\n";
                walk(item->child(i), depth + 1);
            }
        };
        walk(Tree(page)->invisibleRootItem(), 0);
        return text;
    }
    static QTreeWidgetItem* Find(CPgEmotics& page, const std::string& name) {
        auto found = Tree(page)->findItems(QString::fromStdString(name),
                                           Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << name;
        return found.empty() ? nullptr : found.front();
    }
    static void SelectInTree(CPgEmotics& page, const std::string& name) {
        if (QTreeWidgetItem* item = Find(page, name))
            Tree(page)->setCurrentItem(item);
    }
    static void SelectUsed(CPgEmotics& page, int row) {
        Used(page)->setCurrentItem(Used(page)->topLevelItem(row));
    }
    static std::vector<FunSound> UsedLines(CPgEmotics& page) {
        std::vector<FunSound> lines;
        for (int row = 0; row < Used(page)->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = Used(page)->topLevelItem(row);
            lines.push_back({item->text(1).toStdString(), item->text(0).toStdString()});
        }
        return lines;
    }
    // The in-place editor open on the current item, or nullptr.
    static QLineEdit* OpenEditor(QTreeWidget* view) {
        return qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
    }
    // Types into the in-place editor that F2 opens on the current item, then Enter.
    static void EditInPlace(QTreeWidget* view, const QString& text) {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F2);
        QLineEdit* editor = OpenEditor(view);
        ASSERT_NE(editor, nullptr) << "no editor opened";
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits and closes the editor from its event queue.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(OpenEditor(view), nullptr);
    }
    static void CancelEdit(QTreeWidget* view) {
        QLineEdit* editor = OpenEditor(view);
        ASSERT_NE(editor, nullptr) << "the new group's name is being edited";
        QTest::keyClick(editor, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::string chosen_;
};

TEST_F(EmoticsPage, TheTreeShowsGroupsThenSoundsAndAddPlacesSoundsUpToTheLimit) {
    working_.emotics = {{"horn.wav", "Horn"}, {"Animals/cat.wav", "Cat"}};
    context_.maxFunSounds = 3;
    auto page = Open();
    ExpectAccessibleNames(*page);
    EXPECT_EQ(TreeText(*page), "Animals\n  Birds\n  cat\n  dog\nhorn\n");
    EXPECT_FALSE(Child<QPushButton>(*page, "add")->isEnabled());
    SelectInTree(*page, "Animals");
    EXPECT_FALSE(Child<QPushButton>(*page, "add")->isEnabled()) << "a group is no sound";

    // After the selected line.
    SelectUsed(*page, 0);
    SelectInTree(*page, "dog");
    Click(*page, "add");
    EXPECT_EQ(UsedLines(*page),
              (std::vector<FunSound>{
                  {"horn.wav", "Horn"}, {"Animals/dog.wav", "dog"}, {"Animals/cat.wav", "Cat"}}));
    EXPECT_EQ(working_.emotics, UsedLines(*page));
    EXPECT_TRUE(context_.modified);
    EXPECT_EQ(running_.emotics.size(), 0u) << "only Apply moves it on";

    // The fourth is refused.
    Click(*page, "add");
    EXPECT_EQ(LastText(), "All Fun Sound Slots occupied. Please delete one of the used sounds to "
                          "clear a slot.");
    EXPECT_EQ(UsedLines(*page).size(), 3u);

    // Delete makes room; with no line selected a sound goes to the end.
    SelectUsed(*page, 0);
    Click(*page, "deleteUsed");
    Used(*page)->clearSelection();
    SelectInTree(*page, "horn");
    Click(*page, "add");
    EXPECT_EQ(UsedLines(*page),
              (std::vector<FunSound>{
                  {"Animals/dog.wav", "dog"}, {"Animals/cat.wav", "Cat"}, {"horn.wav", "horn"}}));

    // Descriptions are edited in place; an empty one is not taken.
    SelectUsed(*page, 1);
    EditInPlace(Used(*page), "Meow");
    EXPECT_EQ(Used(*page)->topLevelItem(1)->text(0), "Meow");
    EditInPlace(Used(*page), "");
    EXPECT_EQ(Used(*page)->topLevelItem(1)->text(0), "Meow");
    working_.emotics.clear();
    page->ApplyPage();
    EXPECT_EQ(working_.emotics[1], (FunSound{"Animals/cat.wav", "Meow"}));
}

TEST_F(EmoticsPage, GroupsAreFoldersCreatedRenamedAndDeletedInPlace) {
    running_.emotics = {{"Animals/dog.wav", "Dog"}, {"horn.wav", "Horn"}};
    ASSERT_TRUE(running_.WriteEmotics());
    working_ = running_;
    auto page = Open();

    // New Group... in the selected sound's group, then again: the name is taken.
    SelectInTree(*page, "cat");
    Click(*page, "newGroup");
    EXPECT_TRUE(fs::is_directory(folder_.File("emoticsounds/Animals/New Folder")));
    CancelEdit(Tree(*page));
    SelectInTree(*page, "cat");
    Click(*page, "newGroup");
    EXPECT_TRUE(fs::is_directory(folder_.File("emoticsounds/Animals/New Folder (2)")));
    CancelEdit(Tree(*page));

    // Names that would leave the folder or replace a group are refused; the folder stays.
    SelectInTree(*page, "Animals");
    for (const char* bad : {"../Outside", "..", "a/b", ""}) {
        shown_.clear();
        EditInPlace(Tree(*page), QString::fromLatin1(bad));
        EXPECT_EQ(Tree(*page)->currentItem()->text(0), "Animals") << bad;
        if (*bad != '\0') {
            EXPECT_EQ(LastText(), soundtext::Format(375, bad)) << bad;
        }
    }
    EXPECT_FALSE(fs::exists(folder_.File("Outside")));
    fs::create_directories(folder_.File("emoticsounds/Pets"));
    page->UpdatePage();
    SelectInTree(*page, "Animals");
    EditInPlace(Tree(*page), "Pets");
    EXPECT_EQ(LastText(), "A group named \"Pets\" already exists.");
    EXPECT_TRUE(fs::exists(folder_.File("emoticsounds/Animals/dog.wav")));

    // A rename moves the folder, and the used sounds in it follow in both configurations.
    EditInPlace(Tree(*page), "Beasts");
    EXPECT_TRUE(fs::exists(folder_.File("emoticsounds/Beasts/dog.wav")));
    EXPECT_FALSE(fs::exists(folder_.File("emoticsounds/Animals")));
    EXPECT_EQ(UsedLines(*page)[0], (FunSound{"Beasts/dog.wav", "Dog"}));
    EXPECT_EQ(working_.emotics[0].file, "Beasts/dog.wav");
    AppConfig reread(folder_.Path());
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.emotics[0].file, "Beasts/dog.wav");
    SelectInTree(*page, "dog");
    Click(*page, "add");
    EXPECT_EQ(UsedLines(*page).back().file, "Beasts/dog.wav");

    // A group with something in it is not deleted; an empty one is, after asking.
    SelectInTree(*page, "Beasts");
    Click(*page, "deleteTree");
    EXPECT_EQ(LastText(),
              "Cannot delete group \"Beasts\"\nPlease delete all sub-groups and sounds first.");
    EXPECT_TRUE(fs::exists(folder_.File("emoticsounds/Beasts")));
    SelectInTree(*page, "Birds");
    answers_ = {MessageAnswer::Yes};
    Click(*page, "deleteTree");
    EXPECT_EQ(shown_.back().text, "Do you really want to delete the group \"Birds\"?");
    EXPECT_FALSE(fs::exists(folder_.File("emoticsounds/Beasts/Birds")));
    EXPECT_EQ(TreeText(*page).find("Birds"), std::string::npos);
}

TEST_F(EmoticsPage, SoundsAreDeletedAndImportedIntoTheSelectedGroup) {
    running_.emotics = {{"Animals/dog.wav", "Dog"}, {"horn.wav", "Horn"}};
    working_ = running_;
    auto page = Open();

    SelectInTree(*page, "dog");
    answers_ = {MessageAnswer::Yes};
    Click(*page, "deleteTree");
    EXPECT_EQ(shown_.back().text, "Do you really want to delete \"dog\"?");
    EXPECT_FALSE(fs::exists(folder_.File("emoticsounds/Animals/dog.wav")));
    // No used line is left naming a file that is gone.
    EXPECT_EQ(UsedLines(*page), (std::vector<FunSound>{{"horn.wav", "Horn"}}));
    EXPECT_EQ(running_.emotics, (std::vector<FunSound>{{"horn.wav", "Horn"}}));

    // Into the group of the selected sound, converted; the same name asks first.
    chosen_ = folder_.File("in/cat.wav");
    fs::create_directories(folder_.File("in"));
    MakeWave(chosen_, "-r 48000 -c 2 -b 24", 0.5);
    SelectInTree(*page, "cat");
    answers_ = {MessageAnswer::No};
    Click(*page, "import");
    EXPECT_EQ(shown_.back().text, "File \"cat.wav\" in current directory exists. Delete it?");
    EXPECT_LT(fs::file_size(folder_.File("emoticsounds/Animals/cat.wav")), 44u + 10000u);
    answers_ = {MessageAnswer::Yes};
    Click(*page, "import");
    Wave stored;
    ASSERT_EQ(stored.ReadFromFile(folder_.File("emoticsounds/Animals/cat.wav")), kWaveSuccess);
    EXPECT_EQ(stored.format.samplesPerSec, 44100u);
    EXPECT_EQ(stored.format.channels, 1);
    EXPECT_NEAR(static_cast<double>(stored.data.size()), 44100.0, 8.0);
    // The imported sound is selected, ready for "<<".
    QTreeWidgetItem* current = Tree(*page)->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(0), "cat");
    ASSERT_NE(current->parent(), nullptr);
    EXPECT_EQ(current->parent()->text(0), "Animals");
}

} // namespace
