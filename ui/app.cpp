#include "ui/app.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "core/app_error.h"
#include "core/program_texts.h"
#include "ui/program.h"
#include "ui/wide_text.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {
namespace {

HWND applicationWindow = nullptr;
HINSTANCE instance = nullptr;
// The error box's texts for when memory has run out, made at the start.
std::wstring programTitle;
std::wstring outOfMemoryBoxText;

LRESULT CALLBACK ApplicationProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The general error box's text: the message, with the full stop that
// ErrorBoxText gives it (an ASCII ".", the same in every code page).
std::wstring ErrorBoxTextW(const AppError& error) {
  const std::string& message = error.Message();
  const bool fullStop = ErrorBoxText(message).size() > message.size();
  return MessageW(error) + (fullStop ? L"." : L"");
}

}  // namespace

HWND ApplicationWindow() { return applicationWindow; }
HINSTANCE Instance() { return instance; }

void CreateApplicationWindow(HINSTANCE program) {
  instance = program;
  programTitle = PathW(ProgramTitle());
  outOfMemoryBoxText = ErrorBoxTextW(AppError(kOutOfMemoryText));
  constexpr char kClassName[] = "TApplication.Moxlyn";
  const std::wstring className = TextW(kClassName);
  const std::wstring icon = TextW(kIconResource);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ApplicationProcedure;
  windowClass.hInstance = program;
  windowClass.hIcon = LoadIconW(program, icon.c_str());
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassW(&windowClass) == 0) ThrowWindowNotCreated(kClassName);
  // Never shown and without a frame, so that its extended style stays exactly
  // what the start-up writes into it (a caption would add WS_EX_WINDOWEDGE).
  applicationWindow = CreateWindowExW(0, className.c_str(), programTitle.c_str(),
                                      WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                                      nullptr, program, nullptr);
  if (applicationWindow == nullptr) ThrowWindowNotCreated(kClassName);
}

void ThrowWindowNotCreated(const char* className) {
  throw AppError(std::string("ウィンドウ ") + className + " を作成できません");
}

Platform& ThePlatform() {
  static Win32Platform platform;
  return platform;
}

std::string ProgramTitle() { return ProgramTitleOf(ThePlatform(), ThePlatform().ModuleFileName()); }

void ReportError(const AppError& error) {
  MessageBoxW(applicationWindow, ErrorBoxTextW(error).c_str(), PathW(ProgramTitle()).c_str(),
              MB_OK | MB_ICONSTOP);
}

AppError CurrentError() {
  try {
    throw;
  } catch (const AppError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return AppError(kOutOfMemoryText);
  } catch (const std::exception& error) {
    return AppError(error.what());
  } catch (...) {
    return AppError("");
  }
}

void ReportCurrentException() noexcept {
  try {
    ReportError(CurrentError());
  } catch (...) {
    // No memory left for the box's texts: the ones made at the start.
    MessageBoxW(applicationWindow, outOfMemoryBoxText.c_str(), programTitle.c_str(),
                MB_OK | MB_ICONSTOP);
  }
}

}  // namespace moxlyn::ui
