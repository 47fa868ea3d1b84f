// Times what the main window does with a drop and a paste, on the real
// window under Wine (not a test; scripts/bench-list.sh runs it from a scratch
// folder, beside the list file it starts with):
//   drop   WM_DROPFILES of one file onto a list of 100,000 entries: the
//          block read, the intake and the save put off until the user
//          stops acting
//   save   the save that follows (the timer's message), for the same list
//   paste  Ctrl+V of a clipboard block of 100,000 names, and of that the
//          bounded reading of the block alone; beside it a bare attribute
//          query of each name (the floor of the intake's folder test)
// Each figure is the median of a few runs, in milliseconds.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ui/app.h"
#include "ui/forms.h"
#include "ui/v0011_main.h"
#include "win32/dropped_names.h"

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

  std::vector<std::wstring> names;
  for (int i = 0; i < 100000; ++i)
    names.push_back(ProgramFolder() + L"pasted-" + std::to_wstring(i));
  HGLOBAL block = DropBlock(names);
  const double read = Median(runs, [&] { moxlyn::ReadDroppedNames(block); });
  OpenClipboard(window);
  EmptyClipboard();
  SetClipboardData(CF_HDROP, block);
  CloseClipboard();
  const double paste =
      Median(runs, [&] { SendMessageW(window, WM_COMMAND, MAKEWPARAM(kPasteId, 1), 0); });
  const size_t after = main.DeletionList().size();
  // The floor of the intake's folder test: one attribute query per name.
  const double bare = Median(runs, [&] {
    for (const auto& name : names) GetFileAttributesW(name.c_str());
  });

  std::printf("drop of one file on a list of %zu entries: %.2f ms\n", listed, drop);
  std::printf("the save after it (once the user stops acting): %.1f ms\n", save);
  std::printf(
      "paste of 100,000 names: %.1f ms (reading the block alone %.1f ms, "
      "a bare attribute query of each name %.1f ms)\n",
      paste, read, bare);
  std::printf("entries at the end: %zu\n", after);
  DestroyWindow(window);
  return 0;
}
