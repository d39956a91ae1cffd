/* The shell's file copy (SHFileOperationA, FO_COPY only) and COM start-up
 * of the Linux test world.
 *
 * The copy is real, between the host folders of the mapped drives, and
 * honours its flags the way the shell does:
 * - a file source goes to the target path named (into it when that is an
 *   existing folder), a folder source arrives as a folder of that name
 *   inside the target folder, with everything in it; files keep their
 *   last-write time;
 * - a missing folder on the way is created; without FOF_NOCONFIRMMKDIR the
 *   shell asks first, and replacing an existing file asks first without
 *   FOF_NOCONFIRMATION.  Its questions are message boxes with the caption
 *   "shell" (logged and answered like any other box); any answer but Yes
 *   or OK cancels the whole operation, which then reports an abort;
 * - a failure shows the shell's own error box (caption "shell") unless
 *   FOF_NOERRORUI is given, and returns a nonzero code.
 * While the copy runs, the actions scripted for it reach the wizard as the
 * progress window's message loop would deliver them; they are delivered
 * before anything is copied, so a scripted call can still change the
 * source. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/sim_ui_internal.h"
#include "platform/sim/sim_world.h"
#include "platform/sim/win_api.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kCancelled = 1223;    /* ERROR_CANCELLED */
constexpr UINT kYesNoButtons = 0x4; /* MB_YESNO */
constexpr const char *kShellCaption = "shell";

struct ShellState {
  std::vector<SimShellCall> log;
  std::map<int, int> fail; /* nth call -> code */
  std::map<int, bool> abort;
  int co_initialize_calls = 0;
};

ShellState &State() {
  static ShellState state;
  return state;
}

/* The items of a double-NUL-ended list, and the raw list up to and
 * including its terminating NUL pair. */
std::vector<std::string> ListItems(const char *list, std::string *raw) {
  std::vector<std::string> items;
  raw->clear();
  if (!list) return items;
  const char *p = list;
  while (*p) {
    std::string item(p);
    items.push_back(item);
    p += item.size() + 1;
  }
  *raw = std::string(list, (size_t)(p - list) + 1);
  return items;
}

/* The last component of a Windows path; double-byte characters are
 * stepped over, so a trail byte 0x5C is not taken for a separator. */
std::string LastComponent(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
    path.pop_back();
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i++) {
    if (IsDBCSLeadByte((BYTE)path[i]) && i + 1 < path.size()) {
      i++;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
  }
  return path.substr(start);
}

std::string Join(const std::string &folder, const std::string &name) {
  if (name.empty()) return folder;
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
    return folder + "\\" + name;
  return folder + name;
}

/* One operation: its flags, owner and outcome so far. */
struct Copy {
  HWND owner = nullptr;
  WORD flags = 0;
  int result = 0;
  bool aborted = false;
  std::string failed_item;

  bool Fail(int code, const std::string &item) {
    if (!result) {
      result = code;
      failed_item = item;
    }
    return false;
  }

  /* The shell's question; false cancels the operation. */
  bool Confirm(WORD skip_flag, const std::string &question) {
    if (flags & skip_flag) return true;
    int answer = MessageBoxA(owner, question.c_str(), kShellCaption,
                             kYesNoButtons | MB_ICONWARNING);
    if (answer == IDYES || answer == IDOK) return true;
    aborted = true;
    return Fail(kCancelled, std::string());
  }

  bool MakeFolder(const std::string &windows_folder) {
    std::string host = SimHostPath(windows_folder.c_str());
    std::error_code error;
    if (host.empty()) return Fail(ERROR_PATH_NOT_FOUND, windows_folder);
    if (fs::is_directory(host, error)) return true;
    if (fs::exists(host, error)) return Fail(ERROR_ALREADY_EXISTS, windows_folder);
    if (!Confirm(FOF_NOCONFIRMMKDIR,
                 "The folder " + windows_folder + " does not exist. Create it?"))
      return false;
    fs::create_directories(host, error);
    return error ? Fail(ERROR_ACCESS_DENIED, windows_folder) : true;
  }

  bool CopyOneFile(const fs::path &source, const std::string &target) {
    std::string folder = target.substr(0, target.size() - LastComponent(target).size());
    if (!folder.empty() && !MakeFolder(folder)) return false;
    std::string host = SimHostPath(target.c_str());
    std::error_code error;
    if (host.empty()) return Fail(ERROR_PATH_NOT_FOUND, target);
    if (fs::is_directory(host, error)) return Fail(ERROR_ALREADY_EXISTS, target);
    if (fs::exists(host, error)) {
      if (!Confirm(FOF_NOCONFIRMATION, "Replace the file " + target + "?"))
        return false;
      fs::remove(host, error); /* a read-only file is replaced too */
    }
    fs::copy_file(source, host, error);
    if (!error) fs::last_write_time(host, fs::last_write_time(source, error), error);
    return error ? Fail(ERROR_ACCESS_DENIED, target) : true;
  }

  bool CopyFolder(const fs::path &source, const std::string &target) {
    if (!MakeFolder(target)) return false;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(source, error)) {
      std::string name = SimFromUtf8(entry.path().filename().string());
      std::string child = Join(target, name);
      bool copied = entry.is_directory(error) ? CopyFolder(entry.path(), child)
                                              : CopyOneFile(entry.path(), child);
      if (!copied) return false;
    }
    return error ? Fail(ERROR_READ_FAULT, target) : true;
  }

  /* One source item to the target: into it when it is a folder (or when
   * there are several sources), else to that file name. */
  bool CopyItem(const std::string &source, const std::string &target,
                bool into_target) {
    std::string host = SimHostPath(source.c_str());
    std::error_code error;
    if (host.empty() || !fs::exists(host, error))
      return Fail(ERROR_FILE_NOT_FOUND, source);
    std::string target_host = SimHostPath(target.c_str());
    bool target_is_folder = !target_host.empty() && fs::is_directory(target_host, error);
    if (fs::is_directory(host, error))
      return CopyFolder(host, Join(target, LastComponent(source)));
    if (into_target || target_is_folder)
      return CopyOneFile(host, Join(target, LastComponent(source)));
    return CopyOneFile(host, target);
  }
};

}  // namespace

std::vector<SimShellCall> &SimShellLog(void) { return State().log; }
void SimShellFail(int nth, int code) { State().fail[nth] = code; }
void SimShellAbort(int nth) { State().abort[nth] = true; }
int SimCoInitializeCalls(void) { return State().co_initialize_calls; }

void SimResetShell(void) { State() = ShellState(); }

extern "C" {

int SHFileOperationA(LPSHFILEOPSTRUCTA operation) {
  if (!operation) return ERROR_INVALID_PARAMETER;
  ShellState &state = State();
  int nth = (int)state.log.size();
  SimShellCall call{operation->hwnd, operation->wFunc, std::string(),
                    std::string(), operation->fFlags, 0, FALSE};
  std::vector<std::string> sources = ListItems(operation->pFrom, &call.from);
  std::vector<std::string> targets = ListItems(operation->pTo, &call.to);
  state.log.push_back(call);
  operation->fAnyOperationsAborted = FALSE;

  SimDialogDeliverDuringShellCopy(nth);

  Copy copy;
  copy.owner = operation->hwnd;
  copy.flags = operation->fFlags;
  if (state.abort.count(nth)) {
    copy.aborted = true;
    copy.Fail(kCancelled, std::string());
  } else if (state.fail.count(nth)) {
    copy.Fail(state.fail[nth], sources.empty() ? "" : sources[0]);
  } else if (operation->wFunc != FO_COPY || sources.empty() ||
             targets.size() != 1) {
    copy.Fail(ERROR_INVALID_PARAMETER, std::string());
  } else if (SimFaultCheck(SimFaultShell)) {
    copy.Fail(ERROR_WRITE_FAULT, sources[0]);
  } else {
    for (const std::string &source : sources)
      if (!copy.CopyItem(source, targets[0], sources.size() > 1)) break;
  }

  if (copy.result && !copy.aborted && !(operation->fFlags & FOF_NOERRORUI)) {
    std::string text = "Cannot copy " + copy.failed_item + ": error " +
                       std::to_string(copy.result) + ".";
    MessageBoxA(operation->hwnd, text.c_str(), kShellCaption, MB_ICONERROR);
  }
  operation->fAnyOperationsAborted = copy.aborted ? TRUE : FALSE;
  state.log[nth].result = copy.result;
  state.log[nth].aborted = operation->fAnyOperationsAborted;
  return copy.result;
}

HRESULT CoInitialize(LPVOID reserved) {
  /* S_OK the first time, S_FALSE ("already initialised") after. */
  return State().co_initialize_calls++ == 0 ? 0 : 1;
}

}  // extern "C"
