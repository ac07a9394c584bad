#include "config/uAppConfig.h"

#include <utility>

#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "platform/HttpDownload.h"
#include "platform/Process.h"
#include "platform/ServiceMarker.h"
#include "platform/SystemInfo.h"
#include "util/TextUtil.h"
#include "util/uCommonFunction.h"

std::unique_ptr<TAppConfig> AppConfig;

namespace {

const std::string kSection = "Config";

std::string IncludeDelim(std::string path)
{
    if (path.empty() || path.back() != platform::PathDelim)
        path += platform::PathDelim;
    return path;
}

// Folder part with its final delimiter, and the name after it.
std::string DirPart(const std::string& path, char delim)
{
    const std::size_t i = path.rfind(delim);
    return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string NamePart(const std::string& path, char delim)
{
    const std::size_t i = path.rfind(delim);
    return i == std::string::npos ? path : path.substr(i + 1);
}

// A folder from the file is used only when it names a place unambiguously:
// a relative one would land wherever the process happens to run.
bool IsAbsolutePath(const std::string& p)
{
    if constexpr (platform::PathDelim == '\\') {
        const bool drive = p.size() >= 3 && text::AsciiLower(p[0]) >= 'a' && text::AsciiLower(p[0]) <= 'z' &&
                           p[1] == ':' && (p[2] == '\\' || p[2] == '/');
        return drive || p.rfind("\\\\", 0) == 0;
    } else {
        return !p.empty() && p[0] == '/';
    }
}

} // namespace

std::string GetParentProcessPath()
{
    return platform::ParentProcessImagePath();
}

TRunMode DecideRunMode(const TRunModeInputs& in)
{
    TRunMode mode;
    if (in.windowsMajorVersion <= 5) {
        mode.StartedByService = !in.parentPath.empty() && !in.ownExePath.empty() &&
                                text::SameText(DirPart(in.parentPath, in.pathDelim), DirPart(in.ownExePath, in.pathDelim)) &&
                                text::SameText(NamePart(in.parentPath, in.pathDelim), in.serviceExeName);
    } else {
        // Vista and later hide a service's process from a user's client.
        mode.StartedByService = in.parentPath.empty();
    }
    mode.OneShotRun = mode.StartedByService;
    if (mode.OneShotRun && in.markerExists && in.markerExists()) {
        mode.OneShotRun = false;
        mode.TrayOnlyRun = true;
    }
    // Where no service starts the client with the system, its own autostart
    // entry asks for the same resident start.
    if (!mode.StartedByService && in.trayOnlyRequested)
        mode.TrayOnlyRun = true;
    return mode;
}

TRunModeInputs CurrentRunModeInputs()
{
    TRunModeInputs in;
    in.parentPath = GetParentProcessPath();
    in.windowsMajorVersion = platform::WindowsMajorVersion();
    in.ownExePath = platform::OwnExecutablePath();
    in.serviceExeName = platform::ServiceExecutableName();
    in.pathDelim = platform::PathDelim;
    in.markerExists = platform::ServiceMarkerExists;
    in.trayOnlyRequested = platform::TrayOnlyStartRequested();
    return in;
}

std::string ServiceConfigDir(int windowsMajorVersion, const std::string& windowsFolder, const std::string& userName)
{
    // Directory part: up to the last delimiter, which stays only after a drive colon.
    const std::size_t i = windowsFolder.find_last_of("\\:");
    std::string dir;
    if (i != std::string::npos) {
        const bool dropDelim = i > 0 && windowsFolder[i] == '\\' && windowsFolder[i - 1] != '\\' &&
                               windowsFolder[i - 1] != ':';
        dir = windowsFolder.substr(0, dropDelim ? i : i + 1);
    }
    if (windowsMajorVersion >= 6)
        return dir + "Users\\" + userName + "\\AppData\\Roaming\\Brisvane\\";
    return dir + "Documents and Settings\\" + userName + "\\Application Data\\Brisvane\\";
}

TAppConfig::TAppConfig() : TAppConfig(CurrentRunModeInputs()) {}

TAppConfig::TAppConfig(const TRunModeInputs& inputs)
    : Mode_(DecideRunMode(inputs)), WindowsMajorVersion_(inputs.windowsMajorVersion)
{
}

TAppConfig::~TAppConfig() = default;

void TAppConfig::Load()
{
    // A service-started client on Windows may lack the user's environment, so
    // the folder is composed from the user's profile layout instead. Linux
    // resolves the same per-user folder either way.
    if (Mode_.StartedByService && WindowsMajorVersion_ >= 1)
        LoadFromDir(ServiceConfigDir(WindowsMajorVersion_, GetWindowsFolder(), GetCurrentUserName()));
    else
        LoadFromDir(IncludeDelim(GetSpecialFolderPath(platform::CSIDL_APPDATA_FOLDER)) + "Brisvane" + platform::PathDelim);
}

void TAppConfig::LoadFromDir(const std::string& configDir)
{
    ConfigDir_ = IncludeDelim(configDir);
    if (!platform::DirectoryExists(ConfigDir_))
        platform::ForceDirectories(ConfigDir_);
    ConfigFile_ = ConfigDir_ + "Config.ini";

    const auto changeTime = std::get<std::int64_t>(ReadIniValue(ConfigFile_, kSection, "ChangeTime", ikInteger, std::int64_t {0}));
    ChangeTime_ = static_cast<uint32_t>(changeTime);
    LastChangeTime_ = ReadIniInt64(ConfigFile_, kSection, "LastChangeTime", 0);
    std::string wallPaper = std::get<std::string>(ReadIniValue(ConfigFile_, kSection, "WallPaper", ikString, std::string()));
    const std::string defaultDir = ConfigDir_ + "WallPaper";
    std::string wallPaperDir = std::get<std::string>(ReadIniValue(ConfigFile_, kSection, "WallPaperDir", ikString, defaultDir));
    if (!IsAbsolutePath(wallPaperDir))
        wallPaperDir = defaultDir;
    {
        std::lock_guard<std::mutex> guard(TextLock_);
        WallPaper_ = std::move(wallPaper);
        WallPaperDir_ = IncludeDelim(std::move(wallPaperDir));
    }
    AutoUpdate_ = std::get<bool>(ReadIniValue(ConfigFile_, kSection, "AutoUpdate", ikBool, true));
    AutoRun_ = std::get<bool>(ReadIniValue(ConfigFile_, kSection, "AutoRun", ikBool, true));
}

void TAppConfig::LoadWallPaperList()
{
    WallPaperList_ = ReadWallPaperList();
}

std::vector<std::string> TAppConfig::ReadWallPaperList() const
{
    const std::string dir = WallPaperDir();
    if (!platform::DirectoryExists(dir))
        platform::ForceDirectories(dir);
    std::vector<std::string> list;
    ListFiles(&list, dir, false);
    // A download still under way (or cut off by a crash) is not a wallpaper.
    std::erase_if(list, [](const std::string& path) {
        return platform::IsUniqueFileName(NamePart(path, platform::PathDelim), platform::download::kTempPrefix) ||
               !IsImageFile(path);
    });
    return list;
}

std::string TAppConfig::WallPaper() const
{
    std::lock_guard<std::mutex> guard(TextLock_);
    return WallPaper_;
}

std::string TAppConfig::WallPaperDir() const
{
    std::lock_guard<std::mutex> guard(TextLock_);
    return WallPaperDir_;
}

void TAppConfig::SetAutoRun(bool value)
{
    if (AutoRun_.exchange(value) != value)
        WriteIniValue(ConfigFile_, kSection, "AutoRun", value, ikBool);
}

void TAppConfig::SetAutoUpdate(bool value)
{
    if (AutoUpdate_.exchange(value) != value)
        WriteIniValue(ConfigFile_, kSection, "AutoUpdate", value, ikBool);
}

void TAppConfig::SetChangeTime(uint32_t value)
{
    if (ChangeTime_.exchange(value) == value)
        return;
    NotifyScheduleChanged();
    // Stored as its 32-bit pattern, the form Load reads back: a value above
    // the signed range must not fail after the field has changed.
    WriteIniValue(ConfigFile_, kSection, "ChangeTime", static_cast<std::int64_t>(static_cast<std::int32_t>(value)),
                  ikInteger);
}

void TAppConfig::SetLastChangeTime(int64_t value)
{
    // Written in full, so times after 2038 survive.
    if (LastChangeTime_.exchange(value) == value)
        return;
    NotifyScheduleChanged();
    WriteIniInt64(ConfigFile_, kSection, "LastChangeTime", value);
}

void TAppConfig::SetScheduleObserver(std::function<void()> observer)
{
    std::lock_guard<std::mutex> guard(ObserverLock_);
    ScheduleObserver_ = std::move(observer);
}

void TAppConfig::NotifyScheduleChanged()
{
    std::lock_guard<std::mutex> guard(ObserverLock_);
    if (ScheduleObserver_)
        ScheduleObserver_();
}

void TAppConfig::SetWallPaper(const std::string& value)
{
    {
        std::lock_guard<std::mutex> guard(TextLock_);
        if (WallPaper_ == value)
            return;
        WallPaper_ = value;
    }
    WriteIniValue(ConfigFile_, kSection, "WallPaper", value, ikString);
}

bool TAppConfig::SetWallPaperDir(const std::string& value)
{
    if (!IsAbsolutePath(value))
        return false;
    {
        std::lock_guard<std::mutex> guard(TextLock_);
        if (WallPaperDir_ == value)
            return true;
        WallPaperDir_ = value;
    }
    WriteIniValue(ConfigFile_, kSection, "WallPaperDir", value, ikString);
    return true;
}
