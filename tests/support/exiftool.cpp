#include "tests/support/exiftool.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

extern char** environ;

bool RunExiftool(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"exiftool", "-q", "-q", "-overwrite_original"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "exiftool", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WriteTags(const std::string& picture, std::vector<std::string> tags) {
    tags.push_back(picture);
    return RunExiftool(tags);
}
