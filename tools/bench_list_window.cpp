// Times the list window's view under Wine (not a test; scripts/bench-list.sh
// runs it on a virtual display). A visible 334 x 241 list box in the window
// font, as the list window has, is filled with generated paths:
//   show     FillListView + MaxItemWidth + LB_SETHORIZONTALEXTENT
//   bare     only LB_ADDSTRING of the same rows with redraw off (the floor:
//            with redraw on, Wine repaints after every row and 10,000 rows
//            take more than half a minute)
//   exclude  ExcludeSelected + the new extent, for 300 rows spread evenly,
//            the first half and every row
// Each figure is the best of a few runs, in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/del_list.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/list_view.h"

namespace {

using moxlyn::DelList;
using namespace moxlyn::ui;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Times work after setup, pumping the messages that follow both, since the
// drawing that a change causes happens there.
template <typename Setup, typename Work>
double BestOf(int runs, Setup setup, Work work) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) {
    setup();
    PumpMessages();
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    work();
    PumpMessages();
    QueryPerformanceCounter(&to);
    best = std::min(best, Milliseconds(from, to));
  }
  return best;
}

// Paths of mixed depth and length, with double-byte names, as drops give.
DelList MakeEntries(size_t count) {
  DelList list;
  list.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::string path = "C:\\Users\\利用者\\Documents\\作業";
    for (size_t depth = 0; depth < i % 5; ++depth) path += "\\フォルダ" + std::to_string(depth);
    path += "\\file_" + std::to_string(i) + std::string(i % 23, 'x') + ".txt";
    list.push_back(std::move(path));
  }
  return list;
}

void ShowList(HWND listBox, const DelList& list) {
  FillListView(listBox, list);
  SetHorizontalExtent(listBox, MaxItemWidth(listBox, list) + 10);
}

void BareAdd(HWND listBox, const DelList& list) {
  SendMessageA(listBox, WM_SETREDRAW, FALSE, 0);
  // One buffer for the terminated rows: the floor allocates nothing per row.
  std::string row;
  for (const std::string_view entry : list) {
    row.assign(entry);
    SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
  SendMessageA(listBox, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(listBox, nullptr, TRUE);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  CreateApplicationWindow(GetModuleHandleA(nullptr));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "BenchListWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, windowClass.lpszClassName, "bench",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, 100, 340, 324,
                                ApplicationWindow(), nullptr, windowClass.hInstance, nullptr);
  HWND listBox = AddControl(
      window, "LISTBOX", "",
      WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT, 0,
      0, 334, 241, 100);
  if (window == nullptr || listBox == nullptr) {
    std::fprintf(stderr, "cannot create the list box\n");
    return 1;
  }
  PumpMessages();

  auto reset = [&] { ClearRows(listBox); };
  std::printf("rows     show_ms    (widest_ms)  bare_add_ms  show/bare\n");
  double showPerRow[2] = {};
  int line = 0;
  for (size_t rows : {size_t{10000}, size_t{100000}}) {
    const DelList list = MakeEntries(rows);
    const double show = BestOf(runs, reset, [&] { ShowList(listBox, list); });
    const double widest = BestOf(
        runs, [] {}, [&] { SetHorizontalExtent(listBox, MaxItemWidth(listBox, list) + 10); });
    const double bare = BestOf(runs, reset, [&] { BareAdd(listBox, list); });
    std::printf("%-8zu %-10.1f %-12.1f %-12.1f %.2f\n", rows, show, widest, bare, show / bare);
    showPerRow[line++] = show / static_cast<double>(rows);
  }
  std::printf("show time per row, 100000 vs 10000 rows: %.2f\n", showPerRow[1] / showPerRow[0]);

  // Selects the rows to exclude; returns how many.
  using Selector = size_t (*)(HWND listBox, size_t rows);
  auto exclusion = [&](const char* what, size_t rows, Selector select) {
    const DelList source = MakeEntries(rows);
    DelList list;
    size_t selected = 0;
    const double exclude = BestOf(
        runs,
        [&] {
          list = source;
          ShowList(listBox, list);
          selected = select(listBox, rows);
        },
        [&] {
          ExcludeSelected(listBox, list);
          SetHorizontalExtent(listBox, MaxItemWidth(listBox, list) + 10);
        });
    const bool consistent =
        list.size() == rows - selected &&
        SendMessageA(listBox, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(list.size());
    std::printf("exclude %s of %zu rows: %.1f ms%s\n", what, rows, exclude,
                consistent ? "" : " (VIEW AND LIST DISAGREE)");
  };
  const Selector spread = [](HWND listBox, size_t rows) -> size_t {
    for (size_t i = 0; i < 300; ++i) {
      SendMessageA(listBox, LB_SETSEL, TRUE, static_cast<LPARAM>(i * (rows / 300)));
    }
    return 300;
  };
  const Selector firstHalf = [](HWND listBox, size_t rows) -> size_t {
    SendMessageA(listBox, LB_SELITEMRANGEEX, 0, static_cast<LPARAM>(rows / 2 - 1));
    return rows / 2;
  };
  const Selector all = [](HWND listBox, size_t rows) -> size_t {
    SendMessageA(listBox, LB_SELITEMRANGEEX, 0, static_cast<LPARAM>(rows - 1));
    return rows;
  };
  exclusion("300 spread rows", 10000, spread);
  exclusion("300 spread rows", 100000, spread);
  exclusion("the first half", 100000, firstHalf);
  exclusion("every row", 100000, all);
  DestroyWindow(window);
  return 0;
}
