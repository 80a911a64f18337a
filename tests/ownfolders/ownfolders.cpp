// Linked into every test and benchmark program: before main() the program
// gets a home, config, state, data and cache folder of its own, removed when
// it ends, so that nothing it does (recovery copies, panel places, caches,
// DOSBox's settings) lands in the folders of the user who runs it, and the
// next real start of Korvane finds nothing of it.
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

namespace {

const char kMarker[] = "KORVANE_OWN_FOLDERS";

class OwnFolders
{
public:
    OwnFolders()
    {
        // A program a test starts shares its folders, unless it runs as a
        // user who may not write them.
        const QString inherited = qEnvironmentVariable(kMarker);
        if (!inherited.isEmpty() && QFileInfo(inherited).isWritable())
            return;
        dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                               QStringLiteral("/korvane-own-folders-XXXXXX"));
        if (!dir_->isValid())
            qFatal("no folder of its own for this program: %s", qPrintable(dir_->errorString()));
        const QByteArray home = QFile::encodeName(dir_->path());
        qputenv(kMarker, home);
        qputenv("HOME", home);
        const std::pair<const char *, const char *> folders[] = {
            {"XDG_CONFIG_HOME", "/.config"},
            {"XDG_STATE_HOME", "/.local/state"},
            {"XDG_DATA_HOME", "/.local/share"},
            {"XDG_CACHE_HOME", "/.cache"},
        };
        for (const auto &[name, folder] : folders)
            qputenv(name, home + folder);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

const OwnFolders ownFolders;

} // namespace
