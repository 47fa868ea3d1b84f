// Drives the real Moxlyn.exe from outside, the way a user and the shell do:
// a fresh folder per case with its own copy of the program (case_folder.h),
// the process, its windows and boxes found by process and caption
// (program.h), controls read and pressed with posted messages (controls.h),
// and real drops and screenshots from the Unix side (unix_side.h).
#pragma once

#include "tests/support/win32_tools.h"
#include "tests/windows/case_folder.h"
#include "tests/windows/controls.h"
#include "tests/windows/program.h"
#include "tests/windows/unix_side.h"

namespace moxlyn::e2e {

// Waiting, files, trees, Unix paths and programs: the tests' shared plumbing.
using testing::Env;
using testing::FillDisk;
using testing::OpenExisting;
using testing::PathExists;
using testing::RemoveTree;
using testing::StartUnix;
using testing::UnixPath;
using testing::WaitUntil;
using testing::Wide;
using testing::WindowsPathOfUnix;

}  // namespace moxlyn::e2e
