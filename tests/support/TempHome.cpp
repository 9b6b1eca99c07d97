#include "tests/support/TempHome.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace tarvo_test {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& tag) {
    std::string pattern = (fs::temp_directory_path() / ("tarvo-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory from " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code entryError;
        if (it->is_directory(entryError) && !it->is_symlink(entryError))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, entryError);
    }
    fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
        ::setenv(name_.c_str(), value, 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        ::setenv(name_.c_str(), old_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

}  // namespace tarvo_test
