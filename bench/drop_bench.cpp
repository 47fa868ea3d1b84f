// Times what the main window does with a drop and a paste, on the real
// window under Wine (not a test; scripts/bench-list.sh runs it from a scratch
// folder, beside the list file it starts with):
//   drop   WM_DROPFILES of one file onto a list of 100,000 entries: the
//          block read, the intake and the save put off until the user
//          stops acting
//   save   the save that follows (the timer's message), for the same list
//   paste  Ctrl+V of a clipboard block of 100,000 names (the 100,000 files
//          of one folder, 100,000 files spread over 1,000 folders, 100,000
//          names that do not exist in the first folder), each beside a bare
//          enumeration of the same folders (FindFirstFileW, FindNextFileW),
//          the floor of learning which names are folders; for the first, the
//          bounded reading of the block alone and a bare attribute query of
//          each name too
//   delete the 100,000 files of that folder on the deletion's thread: the
//          longest the window took to answer a message meanwhile (asked
//          from another thread every 5 ms), then the files spread over
//          1,000 folders stopped half a second in: how long until the
//          stop's box shows
// Each figure is the median of a few runs, in milliseconds; a ratio is taken
// within each run and its median printed.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/app.h"
#include "ui/forms.h"
#include "ui/v0011_main.h"
#include "win32/dropped_names.h"
#include "win32/engine_path.h"

namespace moxlyn::ui {
TForm_main* Form_main = nullptr;
TForm_list* Form_list = nullptr;
TForm_about* Form_about = nullptr;
TForm_setup* Form_setup = nullptr;
}  // namespace moxlyn::ui

namespace {

using namespace moxlyn::ui;

// The main window's timer of the save after a change, and its paste command.
constexpr WPARAM kSaveTimerId = 1;
constexpr WORD kPasteId = 106;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

template <typename Work>
double Median(int runs, Work work) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    work();
    QueryPerformanceCounter(&to);
    times.push_back(Milliseconds(from, to));
  }
  return Median(times);
}

// A CF_HDROP block of the names, wide, as the shell makes it.
HGLOBAL DropBlock(const std::vector<std::wstring>& names) {
  std::wstring list;
  for (const auto& name : names) list += name + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  *files = DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE};
  std::memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

std::wstring ProgramFolder() {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder = module;
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  CreateApplicationWindow(GetModuleHandleA(nullptr));
  // Its creation loads the list file beside the program.
  TForm_main main;
  Form_main = &main;
  main.Create(ApplicationWindow());
  HWND window = main.Handle();
  const size_t listed = main.DeletionList().size();
  const std::wstring dropped = ProgramFolder() + L"dropped.txt";

  std::vector<double> drops;
  std::vector<double> saves;
  for (int run = 0; run < runs; ++run) {
    drops.push_back(Median(1, [&] {
      SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(DropBlock({dropped})), 0);
    }));
    // The timer's message saves once the user has left the list alone.
    Sleep(static_cast<DWORD>(moxlyn::ListKeeper::kSaveDelayMs));
    saves.push_back(Median(1, [&] { SendMessageW(window, WM_TIMER, kSaveTimerId, 0); }));
  }
  const double drop = Median(drops);
  const double save = Median(saves);

  const std::wstring scratch = ProgramFolder();
  std::vector<std::wstring> one;
  std::vector<std::wstring> spread;
  std::vector<std::wstring> absent;
  for (int i = 0; i < 100000; ++i) {
    one.push_back(scratch + L"one\\pasted-" + std::to_wstring(i));
    spread.push_back(scratch + L"spread\\" + std::to_wstring(i / 100) + L"\\pasted-" +
                     std::to_wstring(i % 100));
    absent.push_back(scratch + L"one\\absent-" + std::to_wstring(i));
  }
  std::vector<std::wstring> spreadFolders;
  for (int i = 0; i < 1000; ++i)
    spreadFolders.push_back(scratch + L"spread\\" + std::to_wstring(i));
  HGLOBAL block = DropBlock(one);
  const double read = Median(runs, [&] { moxlyn::ReadDroppedNames(block); });
  GlobalFree(block);
  const double bare = Median(runs, [&] {
    for (const auto& name : one) GetFileAttributesW(name.c_str());
  });
  std::printf("drop of one file on a list of %zu entries: %.2f ms\n", listed, drop);
  std::printf("the save after it (once the user stops acting): %.1f ms\n", save);
  const auto paste = [&](const char* what, const std::vector<std::wstring>& names,
                         const std::vector<std::wstring>& folders) {
    OpenClipboard(window);
    EmptyClipboard();
    SetClipboardData(CF_HDROP, DropBlock(names));
    CloseClipboard();
    std::vector<double> pastes;
    std::vector<double> floors;
    std::vector<double> ratios;
    size_t added = 0;
    for (int run = 0; run < runs; ++run) {
      main.DeletionList().clear();
      pastes.push_back(
          Median(1, [&] { SendMessageW(window, WM_COMMAND, MAKEWPARAM(kPasteId, 1), 0); }));
      added = main.DeletionList().size();
      floors.push_back(Median(1, [&] {
        for (const auto& folder : folders) {
          WIN32_FIND_DATAW data;
          HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
          if (find == INVALID_HANDLE_VALUE) continue;
          while (FindNextFileW(find, &data)) {
          }
          FindClose(find);
        }
      }));
      ratios.push_back(pastes.back() / floors.back());
    }
    std::printf(
        "paste of %s: %.1f ms, a bare enumeration of the %s %.1f ms, ratio %.2f "
        "(%.2f to %.2f); %zu entries listed\n",
        what, Median(pastes), folders.size() == 1 ? "folder" : "folders", Median(floors),
        Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()), added);
  };
  paste("100,000 files of one folder", one, {scratch + L"one"});
  std::printf(
      "  of that folder's paste: reading the block alone %.1f ms; "
      "a bare attribute query of each name %.1f ms\n",
      read, bare);
  paste("100,000 files in 1,000 folders", spread, spreadFolders);
  paste("100,000 names that do not exist (in that folder)", absent, {scratch + L"one"});
  const size_t after = main.DeletionList().size();
  std::printf("entries at the end: %zu\n", after);

  // The deletion beside the window: the pump runs until the button reads
  // "削除" again, its end's box or beep off.
  moxlyn::Settings& settings = main.CurrentSettings();
  settings.ConfirmBeforeDelete = false;
  settings.ShowMessageAfterDelete = false;
  HWND del = FindWindowExW(window, nullptr, L"Button", nullptr);
  const auto deleting = [&] {
    wchar_t text[16] = {};
    GetWindowTextW(del, text, 16);
    return std::wstring(text) != L"\u524A\u9664";  // "削除"
  };
  const auto pumpUntilEnded = [&](const std::function<void(double)>& meanwhile) {
    LARGE_INTEGER from, now;
    QueryPerformanceCounter(&from);
    MSG message;
    while (deleting()) {
      QueryPerformanceCounter(&now);
      meanwhile(Milliseconds(from, now));
      if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT) != WAIT_OBJECT_0) continue;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  };
  main.DeletionList().clear();
  main.DeletionList().push_back(moxlyn::Utf8FromWide(scratch + L"one"));
  std::atomic<bool> ended{false};
  std::atomic<double> longest{0};
  std::thread asker([&] {
    while (!ended) {
      LARGE_INTEGER from, to;
      QueryPerformanceCounter(&from);
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
      QueryPerformanceCounter(&to);
      longest = std::max(longest.load(), Milliseconds(from, to));
      Sleep(5);
    }
  });
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(del));
  pumpUntilEnded([](double) {});
  QueryPerformanceCounter(&to);
  ended = true;
  asker.join();
  std::printf(
      "deletion of 100,000 files of one folder: %.0f ms; the window answered within %.1f ms\n",
      Milliseconds(from, to), longest.load());

  for (const auto& folder : spreadFolders) {
    main.DeletionList().push_back(moxlyn::Utf8FromWide(folder));
  }
  // The stop's box is answered from another thread, which notes when it came.
  LARGE_INTEGER stop{}, box{};
  std::thread answerer([&] {
    for (;;) {
      HWND shown = FindWindowW(L"#32770", nullptr);
      DWORD process = 0;
      if (shown != nullptr && GetWindowThreadProcessId(shown, &process) != 0 &&
          process == GetCurrentProcessId()) {
        QueryPerformanceCounter(&box);
        PostMessageW(shown, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(1);
    }
  });
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(del));
  bool pressed = false;
  pumpUntilEnded([&](double elapsed) {
    if (pressed || elapsed < 500) return;
    pressed = true;
    QueryPerformanceCounter(&stop);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(del));
  });
  answerer.join();
  std::printf(
      "a stop half a second into 1,000 folders: its box came %.1f ms after it, "
      "%zu of 1,000 folders left listed\n",
      Milliseconds(stop, box), main.DeletionList().size());
  DestroyWindow(window);
  return 0;
}
