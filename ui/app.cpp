#include "ui/app.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "core/app_error.h"
#include "core/program_texts.h"
#include "ui/program.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {
namespace {

HWND applicationWindow = nullptr;
HINSTANCE instance = nullptr;
// The error box's texts for when memory has run out, made at the start.
std::string programTitle;
std::string outOfMemoryBoxText;

LRESULT CALLBACK ApplicationProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

HWND ApplicationWindow() { return applicationWindow; }
HINSTANCE Instance() { return instance; }

void CreateApplicationWindow(HINSTANCE program) {
  instance = program;
  programTitle = ProgramTitle();
  outOfMemoryBoxText = ErrorBoxText(ThePlatform(), kOutOfMemoryText);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ApplicationProcedure;
  windowClass.hInstance = program;
  windowClass.hIcon = LoadIconA(program, kIconResource);
  windowClass.lpszClassName = "TApplication.Moxlyn";
  if (RegisterClassA(&windowClass) == 0) ThrowWindowNotCreated(windowClass.lpszClassName);
  // Never shown and without a frame, so that its extended style stays exactly
  // what the start-up writes into it (a caption would add WS_EX_WINDOWEDGE).
  applicationWindow = CreateWindowExA(0, windowClass.lpszClassName, programTitle.c_str(),
                                      WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                                      nullptr, program, nullptr);
  if (applicationWindow == nullptr) ThrowWindowNotCreated(windowClass.lpszClassName);
}

void ThrowWindowNotCreated(const char* className) {
  throw AppError(std::string("ウィンドウ ") + className + " を作成できません");
}

Platform& ThePlatform() {
  static Win32Platform platform;
  return platform;
}

std::string ProgramTitle() { return ProgramTitleOf(ThePlatform(), ThePlatform().ModuleFileName()); }

void ReportError(const std::string& message) {
  MessageBoxA(applicationWindow, ErrorBoxText(ThePlatform(), message).c_str(),
              ProgramTitle().c_str(), MB_OK | MB_ICONSTOP);
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const AppError& error) {
    return error.Message();
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "";
  }
}

void ReportCurrentException() noexcept {
  try {
    ReportError(CurrentExceptionMessage());
  } catch (...) {
    // No memory left for the box's texts: the ones made at the start.
    MessageBoxA(applicationWindow, outOfMemoryBoxText.c_str(), programTitle.c_str(),
                MB_OK | MB_ICONSTOP);
  }
}

}  // namespace moxlyn::ui
