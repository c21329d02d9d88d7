#include "support/tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvello::testing {
namespace {

std::vector<std::string> ClosedWrites(int fd) {
  std::vector<std::string> names;
  alignas(inotify_event) char buffer[8192];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) {
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      if (event->len > 0) names.emplace_back(event->name);
      p += sizeof(inotify_event) + event->len;
    }
  }
  return names;
}

}  // namespace

ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                const std::filesystem::path& directory) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  inotify_add_watch(watch, directory.c_str(), IN_CLOSE_WRITE);
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], STDOUT_FILENO);
    dup2(err_pipe[1], STDERR_FILENO);
    close(out_pipe[0]);
    close(err_pipe[0]);
    if (chdir(directory.c_str()) != 0) _exit(120);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ToolRun run;
  // Read both pipes to the end so that a chatty tool cannot block.
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_pipes = 2;
  char buffer[4096];
  while (open_pipes > 0 && poll(fds, 2, -1) > 0) {
    for (pollfd& fd : fds) {
      if (fd.fd < 0 || !(fd.revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = read(fd.fd, buffer, sizeof buffer);
      if (n > 0) {
        (&fd == &fds[0] ? run.out : run.err).append(buffer, n);
      } else {
        close(fd.fd);
        fd.fd = -1;
        --open_pipes;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  run.writes = ClosedWrites(watch);
  close(watch);
  return run;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvello-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> TempDir::Entries() const {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace orvello::testing
