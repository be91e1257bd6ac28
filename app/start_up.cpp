// SPDX-License-Identifier: MIT
#include "app/start_up.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <locale.h>
#include <pthread.h>
#include <sched.h>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>

namespace mpt {

std::vector<std::string> librariesToLoadAhead(
    const std::vector<std::string>& toolkitArguments,
    const std::function<const char*(const char*)>& environment, const std::string& pluginFolder) {
    // The toolkit takes a platform, or a folder to look for it in, from the command line first.
    for (const std::string& argument : toolkitArguments) {
        if (argument == "-platform" || argument == "-platformpluginpath") {
            return {};
        }
    }
    const auto set = [&](const char* name) {
        const char* value = environment(name);
        return value != nullptr && *value != '\0';
    };
    const char* platform = environment("QT_QPA_PLATFORM");
    const bool x11 = platform != nullptr && *platform != '\0'
                         ? std::strcmp(platform, "xcb") == 0
                         : set("DISPLAY") && !set("WAYLAND_DISPLAY");
    // A plugin folder of the user's may hold another plugin of the same name.
    if (!x11 || set("QT_PLUGIN_PATH") || set("QT_QPA_PLATFORM_PLUGIN_PATH") ||
        pluginFolder.empty()) {
        return {};
    }
    return {pluginFolder + "/platforms/libqxcb.so", "libXcursor.so.1"};
}

std::jthread startWindowPreparation(const std::vector<std::string>& toolkitArguments) {
    std::vector<std::string> libraries = librariesToLoadAhead(
        toolkitArguments, [](const char* name) { return std::getenv(name); },
        QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString());
    // The font library reads the environment (HOME, XDG_CONFIG_HOME, FONTCONFIG_FILE), which must
    // not change while it does.
    const bool readFonts = std::getenv("DESKTOP_STARTUP_ID") == nullptr;
    if (libraries.empty() && !readFonts) {
        return {};
    }
    std::jthread preparation([libraries = std::move(libraries), readFonts] {
        // Loaded as the toolkit loads its plugins; the toolkit's own loading of the same files
        // then finds them loaded. One that cannot be loaded is the toolkit's to report.
        for (const std::string& library : libraries) {
            ::dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
        }
        if (!readFonts) {
            return;
        }
        // The font library loads its configuration once, whichever thread asks first. It reads
        // the locale too (numbers in the configuration) while the application object sets the
        // process's locale: the thread reads in a locale object of its own, the one the process
        // is about to take, so that the two never touch the same locale.
        const locale_t own = ::newlocale(LC_ALL_MASK, "", nullptr);
        if (own != nullptr) {
            ::uselocale(own);
        }
        FcInit();
        if (own != nullptr) {
            ::uselocale(LC_GLOBAL_LOCALE);
            ::freelocale(own);
        }
    });
    // On a processor other than this thread's, where there is one: left to itself the scheduler
    // starts it on this one, behind the application object's start, about 2 ms later.
    const int here = ::sched_getcpu();
    cpu_set_t others;
    CPU_ZERO(&others);
    if (here >= 0 && ::sched_getaffinity(0, sizeof others, &others) == 0 &&
        CPU_COUNT(&others) > 1) {
        CPU_CLR(here, &others);
        ::pthread_setaffinity_np(preparation.native_handle(), sizeof others, &others);
    }
    return preparation;
}

void finishWindowPreparation(std::jthread& preparation) {
    if (!preparation.joinable()) {
        return;
    }
    cpu_set_t all;
    CPU_ZERO(&all);
    if (::sched_getaffinity(0, sizeof all, &all) == 0) {
        // Ended already, or the set is this thread's own: either way nothing to undo then.
        ::pthread_setaffinity_np(preparation.native_handle(), sizeof all, &all);
    }
    preparation.join();
}

}  // namespace mpt
