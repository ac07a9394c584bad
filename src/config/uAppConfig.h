#pragma once
// How the client was started and what the user configured (Config.ini).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Full image path of the parent process; empty when it cannot be read.
std::string GetParentProcessPath();

// What the run-mode decision looks at, gathered so tests can supply it.
struct TRunModeInputs {
    std::string parentPath;         // empty = unreadable
    int windowsMajorVersion = 0;    // 0 = not Windows: the name-and-folder rule
    std::string ownExePath;
    std::string serviceExeName;     // e.g. "BrisvaneService.exe"
    char pathDelim = '\\';
    std::function<bool()> markerExists; // asked only for a service start
    bool trayOnlyRequested = false;     // the start asked for the tray (Linux autostart)
};

struct TRunMode {
    bool StartedByService = false;
    bool OneShotRun = false;
    bool TrayOnlyRun = false;
};

TRunMode DecideRunMode(const TRunModeInputs& in);

// The inputs of this process on this system.
TRunModeInputs CurrentRunModeInputs();

// Configuration folder of a service start on Windows, from the Windows folder
// (e.g. D:\Windows) and the user name; ends with a backslash.
std::string ServiceConfigDir(int windowsMajorVersion, const std::string& windowsFolder,
                             const std::string& userName);

class TAppConfig {
public:
    TAppConfig();                                   // decides the run mode of this process
    explicit TAppConfig(const TRunModeInputs& inputs);
    ~TAppConfig();
    TAppConfig(const TAppConfig&) = delete;
    TAppConfig& operator=(const TAppConfig&) = delete;

    // Resolves ConfigDir and reads Config.ini; writes nothing.
    void Load();
    // The same with ConfigDir given (a separator is appended if missing).
    void LoadFromDir(const std::string& configDir);
    // Rebuilds WallPaperList from the pictures under WallPaperDir.
    void LoadWallPaperList();
    // The same list, built without touching WallPaperList (creates a missing
    // folder). The work thread reads it outside its lock and swaps it in.
    std::vector<std::string> ReadWallPaperList() const;

    uint32_t ChangeTime() const { return ChangeTime_.load(); }
    int64_t LastChangeTime() const { return LastChangeTime_.load(); }
    std::string WallPaper() const;
    std::string WallPaperDir() const;
    bool AutoUpdate() const { return AutoUpdate_.load(); }
    bool AutoRun() const { return AutoRun_.load(); }
    const std::string& ConfigDir() const { return ConfigDir_; }
    const std::string& ConfigFile() const { return ConfigFile_; }
    bool OneShotRun() const { return Mode_.OneShotRun; }
    bool TrayOnlyRun() const { return Mode_.TrayOnlyRun; }
    bool StartedByService() const { return Mode_.StartedByService; }
    // Guarded by the work thread's lock, not by this object.
    std::vector<std::string>& WallPaperList() { return WallPaperList_; }

    // Each writes its key only when the value changes; a failed write throws
    // EIniFileException after the field took the new value. SetWallPaperDir
    // refuses (false, nothing changed) a folder that is not an absolute path,
    // as Load would ignore it.
    void SetAutoRun(bool value);
    void SetAutoUpdate(bool value);
    void SetChangeTime(uint32_t value);
    void SetLastChangeTime(int64_t value);
    void SetWallPaper(const std::string& value);
    bool SetWallPaperDir(const std::string& value);

    // Called after ChangeTime or LastChangeTime took a new value, on the
    // thread that changed it; the work thread wakes on it.
    void SetScheduleObserver(std::function<void()> observer);

private:
    std::atomic<int64_t> LastChangeTime_ {0};
    std::atomic<uint32_t> ChangeTime_ {0};
    std::string WallPaper_;
    std::vector<std::string> WallPaperList_;
    std::string WallPaperDir_;
    std::string ConfigFile_;
    std::string ConfigDir_;
    std::atomic<bool> AutoUpdate_ {false};
    std::atomic<bool> AutoRun_ {false};
    TRunMode Mode_;
    int WindowsMajorVersion_ = 0;
    // The texts change on one thread while another reads them.
    mutable std::mutex TextLock_;
    std::mutex ObserverLock_;
    std::function<void()> ScheduleObserver_;

    void NotifyScheduleChanged();
};

// The one instance of the program; the program entry creates it.
extern std::unique_ptr<TAppConfig> AppConfig;
