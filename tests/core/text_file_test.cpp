#include "core/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <optional>

#include "core/app_error.h"
#include "core/del_list.h"
#include "core/delete_command.h"
#include "tests/support/counting_platform.h"
#include "tests/support/line_lists.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using Lines = std::vector<std::string>;

TEST(TextFile, LiteralsAreCodePage932Bytes) {
  EXPECT_EQ(std::string("削除終了"), "\x8D\xED\x8F\x9C\x8F\x49\x97\xB9");
}

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two line ends
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {" a \r\n", {" a "}},  // no trimming
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      // Line ends and the zero byte on either side of 16-byte steps.
      {std::string(15, 'a') + "\r\n" + std::string(16, 'b') + "\n" + std::string(17, 'c'),
       {std::string(15, 'a'), std::string(16, 'b'), std::string(17, 'c')}},
      {std::string(20, 'd') + std::string("\0\r\n", 3) + std::string(20, 'e'),
       {std::string(20, 'd')}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(TextFile, JoinsWithCrLfAfterEveryLine) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "\r\n");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

class WriteTextFileTest : public ::testing::Test {
 protected:
  testing::MemoryPlatform fs_;
  const std::string path_ = "C:\\p\\f.txt";
  void SetUp() override { fs_.AddFile(path_, "old"); }
  // The name of the temporary file that the save tries for the random number.
  std::string Temporary(uint64_t random) { return TemporaryPathFor({path_}, random).text; }
  std::string ErrorOf(const std::string& text) {
    try {
      WriteTextFile(fs_, path_, text);
    } catch (const AppError& error) {
      return error.Message();
    }
    return "";
  }
};

TEST_F(WriteTextFileTest, ReplacesContentAndLeavesNoTemporaryFile) {
  EXPECT_EQ(ErrorOf("new"), "");
  EXPECT_EQ(fs_.Content(path_), "new");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
}

TEST_F(WriteTextFileTest, FullDiskKeepsOldBytes) {
  fs_.SetDiskCapacity(5);
  EXPECT_EQ(ErrorOf("a longer text"), "ストリームへの書き込みエラー");
  EXPECT_EQ(fs_.Content(path_), "old");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
}

TEST_F(WriteTextFileTest, UnwritableTargetsKeepOldBytes) {
  const std::string expected = "ファイル C:\\p\\f.txt を作成できません";
  fs_.SetAttributes(path_, kAttrReadOnly);
  EXPECT_EQ(ErrorOf("x"), expected);
  fs_.SetAttributes(path_, kAttrArchive);
  fs_.Lock(path_);
  EXPECT_EQ(ErrorOf("x"), expected);
  EXPECT_EQ(fs_.Content(path_), "old");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
}

TEST_F(WriteTextFileTest, FolderInPlaceAndUnwritableFolderCannotBeCreated) {
  testing::MemoryPlatform fs;
  fs.AddFolder("C:\\p\\f.txt");
  EXPECT_THROW(WriteTextFile(fs, "C:\\p\\f.txt", "x"), AppError);
  fs.DenyCreateIn("C:\\q");
  fs.AddFolder("C:\\q");
  EXPECT_THROW(WriteTextFile(fs, "C:\\q\\g.txt", "x"), AppError);
  EXPECT_FALSE(fs.Exists("C:\\q\\g.txt"));
}

TEST_F(WriteTextFileTest, LongTextGoesThroughInPiecesUnchanged) {
  Lines lines;
  for (int i = 0; i < 20000; ++i)
    lines.push_back(std::string(i % 97, static_cast<char>('a' + i % 26)));
  WriteTextFile(fs_, path_, [&](TextWriter& out) {
    out.WriteLinesOf("old\rlines\n\nkept\0cut");
    for (const auto& line : lines) out.WriteLine(line);
    out.Write(std::string(200000, 'z'));
  });
  EXPECT_EQ(fs_.Content(path_),
            "old\r\nlines\r\n\r\nkept\r\n" + JoinLines(lines) + std::string(200000, 'z'));
}

TEST_F(WriteTextFileTest, TemporaryNameNeverTakesAUsersEntry) {
  // A user's file and a user's folder of the temporary names stay as they
  // are, and the save goes through under a fresh name.
  fs_.AddFile(Temporary(0), "mine");
  fs_.AddFolder(Temporary(1));
  const Lines names{"f.txt", "f.txt.moxlyn-0000000000000000", "f.txt.moxlyn-0000000000000001"};
  EXPECT_EQ(ErrorOf("new"), "");
  EXPECT_EQ(fs_.Content(path_), "new");
  EXPECT_EQ(fs_.Content(Temporary(0)), "mine");
  EXPECT_TRUE(fs_.IsFolder(Temporary(1)));
  EXPECT_EQ(fs_.Names("C:\\p"), names);
  // A failed save removes none of them either.
  fs_.SetAttributes(path_, kAttrArchive);
  fs_.Lock(path_);
  EXPECT_EQ(ErrorOf("x"), "ファイル C:\\p\\f.txt を作成できません");
  EXPECT_EQ(fs_.Content(Temporary(0)), "mine");
  EXPECT_EQ(fs_.Names("C:\\p"), names);
}

TEST_F(WriteTextFileTest, LinkStaysALinkAndItsTargetReceivesTheBytes) {
  fs_.AddFile("C:\\sync\\real.txt", "old");
  fs_.AddFileLink("C:\\p\\link.txt", "C:\\sync\\real.txt");
  WriteTextFile(fs_, "C:\\p\\link.txt", "new");
  EXPECT_TRUE(fs_.IsLink("C:\\p\\link.txt"));
  EXPECT_EQ(fs_.Content("C:\\sync\\real.txt"), "new");
  EXPECT_EQ(fs_.Names("C:\\sync"), Lines{"real.txt"});
  EXPECT_EQ(fs_.Names("C:\\p"), (Lines{"f.txt", "link.txt"}));
}

TEST_F(WriteTextFileTest, ReplaceThatLosesTheTargetPutsTheNewFileInPlace) {
  fs_.LoseTargetOnReplace(path_);
  EXPECT_EQ(ErrorOf("new"), "");
  EXPECT_EQ(fs_.Content(path_), "new");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
  // When even that fails, the temporary file keeps the only copy.
  fs_.DenyRenameTo(path_);
  EXPECT_EQ(ErrorOf("newer"), "ファイル C:\\p\\f.txt を作成できません");
  EXPECT_EQ(fs_.Content(Temporary(1)), "newer");
}

TEST_F(WriteTextFileTest, FolderThatRefusesNewFilesHasItsFileRewrittenInPlace) {
  fs_.DenyCreateIn("C:\\p");
  EXPECT_EQ(ErrorOf("new"), "");
  EXPECT_EQ(fs_.Content(path_), "new");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
}

TEST_F(WriteTextFileTest, WhatTheWriterThrowsRemovesOnlyTheTemporaryFile) {
  EXPECT_THROW(WriteTextFile(fs_, path_, [](TextWriter&) { throw std::bad_alloc(); }),
               std::bad_alloc);
  EXPECT_EQ(fs_.Content(path_), "old");
  EXPECT_EQ(fs_.Names("C:\\p"), Lines{"f.txt"});
}

// Every save path, cut by a power failure after each of its steps: every
// state that can leave holds the saved file's old bytes or its new ones
// (where the system's replace lost the file, the new ones beside it) and
// every other file as it was, and what the save created lies beside the
// saved file. The rewrite in place cannot be atomic: it is taken only where
// the folder refuses new files.
TEST(WriteTextFilePowerCuts, EveryCutLeavesTheOldOrTheNewBytes) {
  using testing::MemoryPlatform;
  using State = MemoryPlatform::DiskState;
  enum Path { kAtomic, kTargetLost, kInPlace };
  const std::string log = "C:\\Moxlyn\\2026_12_07.log";
  const std::string big(70000, 'n');
  struct Case {
    const char* name;
    std::function<void(MemoryPlatform&)> fault;
    std::string path;                  // what the save is given
    std::string saved;                 // the file that receives the bytes
    std::optional<std::string> bytes;  // what it holds after the save; none when it fails
    Path kind;
  } cases[] = {
      {"a new file", {}, "C:\\p\\new.txt", "C:\\p\\new.txt", big, kAtomic},
      {"a replace", {}, "C:\\p\\f.txt", "C:\\p\\f.txt", big, kAtomic},
      {"a replace that lost its target",
       [](MemoryPlatform& fs) { fs.LoseTargetOnReplace("C:\\p\\f.txt"); }, "C:\\p\\f.txt",
       "C:\\p\\f.txt", big, kTargetLost},
      {"a link's final target", {}, "C:\\p\\link.txt", "C:\\sync\\real.txt", big, kAtomic},
      {"the log's append", {}, log, log, "old\r\nC:\\d\\a.txt\r\n", kAtomic},
      {"a full disk", [](MemoryPlatform& fs) { fs.SetDiskCapacity(70000); }, "C:\\p\\f.txt",
       "C:\\p\\f.txt", std::nullopt, kAtomic},
      {"no free entry", [](MemoryPlatform& fs) { fs.UseUpEntries(); }, "C:\\p\\f.txt",
       "C:\\p\\f.txt", std::nullopt, kAtomic},
      {"a folder that refuses new files", [](MemoryPlatform& fs) { fs.DenyCreateIn("C:\\p"); },
       "C:\\p\\f.txt", "C:\\p\\f.txt", big, kInPlace},
      {"a failing flush", [](MemoryPlatform& fs) { fs.FailFlushes(); }, "C:\\p\\f.txt",
       "C:\\p\\f.txt", std::nullopt, kAtomic},
      {"every temporary name taken",
       [](MemoryPlatform& fs) {
         for (uint64_t i = 0; i < 16; ++i) fs.AddFile(TemporaryPathFor({"C:\\p\\f.txt"}, i).text);
       },
       "C:\\p\\f.txt", "C:\\p\\f.txt", std::nullopt, kAtomic},
      {"a save form of its own and a full disk",
       [](MemoryPlatform& fs) {
         fs.UseOwnSaveForm();
         fs.SetDiskCapacity(70000);
       },
       "C:\\p\\f.txt", "C:\\p\\f.txt", std::nullopt, kAtomic},
      {"a link whose target the replace lost",
       [](MemoryPlatform& fs) { fs.LoseTargetOnReplace("C:\\sync\\real.txt"); }, "C:\\p\\link.txt",
       "C:\\sync\\real.txt", big, kTargetLost},
  };
  const auto at = [](const State& state, const std::string& path) {
    const auto found = state.find(path);
    return found == state.end() ? std::nullopt : std::optional<std::string>(found->second);
  };
  const auto folderOf = [](const std::string& path) { return path.substr(0, path.rfind('\\')); };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fs;
    fs.AddFile("C:\\p\\f.txt", "old");
    fs.AddFile("C:\\sync\\real.txt", "real");
    fs.AddFileLink("C:\\p\\link.txt", "C:\\sync\\real.txt");
    fs.AddFile(log, "old\r\n");
    if (c.fault) c.fault(fs);
    const State before = fs.CurrentState();
    fs.RecordPowerCuts();
    try {
      if (c.path == log) {
        WriteDeleteLog(fs, LocaleFormats(fs), DelList{"C:\\d\\a.txt"}, LogTypeNameOnly);
      } else {
        WriteTextFile(fs, c.path, big);
      }
      EXPECT_TRUE(c.bytes.has_value()) << "no error";
    } catch (const AppError&) {
      EXPECT_FALSE(c.bytes.has_value()) << "an error";
    }
    const std::optional<std::string> old = at(before, c.saved);
    EXPECT_EQ(at(fs.CurrentState(), c.saved), c.bytes ? c.bytes : old);
    // A save changes the saved file alone and a failed one nothing: neither
    // leaves anything of its own, and a link still leads on.
    State after = before;
    if (c.bytes) after[c.saved] = *c.bytes;
    EXPECT_EQ(fs.CurrentState(), after);
    EXPECT_TRUE(fs.IsLink("C:\\p\\link.txt"));
    bool inPlace = false;
    for (const auto& cut : fs.PowerCuts()) {
      inPlace = inPlace || cut.operation == "OpenForWriting overwrite";
      for (const State& state : cut.states) {
        const std::optional<std::string> saved = at(state, c.saved);
        bool newBeside = false;
        for (const auto& [path, bytes] : state) newBeside = newBeside || bytes == c.bytes;
        if (c.kind != kInPlace) {
          EXPECT_TRUE(saved == old || (c.bytes && saved == c.bytes) ||
                      (c.kind == kTargetLost && !saved && newBeside))
              << cut.operation;
        }
        for (const auto& [path, bytes] : before) {
          if (path != c.saved) {
            EXPECT_EQ(at(state, path), bytes) << cut.operation << " " << path;
          }
        }
        for (const auto& entry : state) {
          if (before.count(entry.first) == 0) {
            EXPECT_EQ(folderOf(entry.first), folderOf(c.saved)) << cut.operation;
          }
        }
      }
    }
    EXPECT_EQ(inPlace, c.kind == kInPlace);
  }
}

TEST(ReadTextLines, PiecesOfAnySizeSplitAsTheWholeText) {
  const std::string texts[] = {
      "a\r\nb",
      "a\n\rb\r",
      "\r\n\r\n",
      "ab\r",
      "a\r\r\nb\n",
      std::string("a\r\nb\0c\r\nd", 9),
      std::string("\r\0\n", 3),
      " x \rlonger line\n",
      "a\rb\nc",
      std::string(40, 'x') + "\r\n" + std::string(17, 'y') + '\0' + std::string(20, 'z'),
      // A first piece of one long line: many more lines than it promises.
      std::string(5000, 'l') + "\r\n" + std::string(100, '\n'),
      // No pair split, whatever byte a piece ends at.
      "\xFF\xFE" + testing::Utf16LeBytes(u"a\xD83D\xDE00\r\n\xD83D\xDE00"
                                         u"b\nc\xD83D\xDE00"),
  };
  for (const size_t pieceSize : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 4096}) {
    testing::MemoryPlatform fs;
    fs.SetReadPieceSize(pieceSize);
    for (const auto& text : texts) {
      fs.AddFile("C:\\t.txt", text);
      LineList lines{"stale"};
      EXPECT_TRUE(ReadTextLines(fs, "C:\\t.txt", lines));
      EXPECT_EQ(testing::Strings(lines), SplitLines(ProgramText(fs, text)))
          << pieceSize << ": " << text;
      fs.RemoveFile("C:\\t.txt");
    }
  }
}

// On code page 1252 "ï»¿" and "ÿþ" are the bytes of the UTF-8 and the
// UTF-16 mark: a list or a new log that begins with one is saved in UTF-8,
// or it would load as another first entry.
TEST(TextFileForms, AFirstEntryThatWouldReadAsAMarkIsSavedInUtf8) {
  testing::MemoryPlatform fs;
  fs.SetCodePage(1252);
  fs.SetModuleFileName("C:\\p\\Moxlyn.exe");
  fs.AddFolder("C:\\p");
  const LocaleFormats formats(fs);
  for (const std::string& lookalike : {testing::U8(u8"ï»¿"), testing::U8(u8"ÿþ")}) {
    for (const DelList& list : {DelList{lookalike + "C:\\x"}, DelList{"C:\\x", lookalike}}) {
      SaveDelList(fs, list);
      DelList loaded;
      LoadDelList(fs, loaded);
      EXPECT_EQ(loaded, list);
      WriteDeleteLog(fs, formats, list, LogTypeNameOnly);
      std::string log = "C:\\p\\" + formats.ShortDate(fs.Now()) + ".log";
      std::replace(log.begin(), log.end(), '/', '_');
      ASSERT_TRUE(ReadTextLines(fs, log, loaded));
      EXPECT_EQ(loaded, list);
      fs.RemoveFile(log);
    }
  }
  EXPECT_EQ(fs.Content("C:\\p\\dellist.lst"), "C:\\x\r\n\xFF\xFE\r\n");
}

// The list is sized from the file's first piece, not its first line: a long
// first line promises few lines, and a second read would count them.
TEST(ReadTextLines, AFileWhoseFirstLineIsLongIsReadOnce) {
  std::string utf16(kUtf16Mark);
  for (const char c : std::string(300, 'a') + "\r\n" + std::string(2000, '\n')) {
    utf16 += {c, '\0'};
  }
  for (const std::string& text :
       {std::string(300, 'a') + "\r\n" + std::string(2000, '\n'), utf16}) {
    testing::MemoryPlatform fs;
    fs.AddFile("C:\\t.txt", text);
    testing::CountingPlatform counting(fs);
    LineList lines;
    EXPECT_TRUE(ReadTextLines(counting, "C:\\t.txt", lines));
    EXPECT_EQ(lines.size(), 2001u);
    EXPECT_EQ(counting.Calls("ReadInPieces"), 1);
  }
}

TEST(ReadTextLines, MissingIsNoErrorAndUnreadableIsReported) {
  testing::MemoryPlatform fs;
  LineList lines{"kept"};
  EXPECT_FALSE(ReadTextLines(fs, "C:\\none.txt", lines));
  EXPECT_EQ(lines, LineList{"kept"});
  fs.AddFile("C:\\locked.txt", "a\r\n");
  fs.DenyRead("C:\\locked.txt");
  try {
    ReadTextLines(fs, "C:\\locked.txt", lines);
    FAIL();
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ファイル C:\\locked.txt は開けません");
  }
  EXPECT_EQ(lines, LineList{"kept"});
}

}  // namespace
}  // namespace moxlyn
