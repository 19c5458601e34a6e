// The layers of the source tree include only downward: platform, then the
// dialogs library, Globals, store, exchange, sync, and at the top the two
// programs' own blocks, workplace (TessalCert) and restavo, which never include
// each other. Headers are included by their own name, never by a path that
// climbs out of a folder. Restavo and the exchange it shares never build the
// data module TDM, and the built Restavo holds none of its code.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace {

struct Layer {
  QString folder;
  int rank;
};

// Folders under src/ with their rank; a file may include headers of its own
// layer and of layers with a lower rank.
const Layer kLayers[] = {
    {"platform", 0}, {"obDialogs", 1}, {"Globals", 2},   {"store", 3},
    {"exchange", 4}, {"sync", 5},      {"workplace", 6}, {"restavo", 6},
};

struct SourceFile {
  QString path;  // relative to src/
  QString layer;
};

QString SourceRoot() { return qEnvironmentVariable("TESSAL_SOURCE") + "/src"; }

QList<SourceFile> SourceFiles() {
  QList<SourceFile> files;
  for (const Layer &layer : kLayers) {
    QDirIterator it(SourceRoot() + "/" + layer.folder, {"*.h", "*.cpp"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
      files.append({QDir(SourceRoot()).relativeFilePath(it.next()), layer.folder});
  }
  return files;
}

int RankOf(const QString &layer) {
  for (const Layer &l : kLayers)
    if (l.folder == layer) return l.rank;
  return -1;
}

QStringList QuotedIncludes(const QString &relativePath) {
  QFile file(SourceRoot() + "/" + relativePath);
  if (!file.open(QIODevice::ReadOnly)) return {};
  static const QRegularExpression include(R"re(^\s*#\s*include\s*"([^"]+)")re",
                                          QRegularExpression::MultilineOption);
  QStringList names;
  auto matches = include.globalMatch(QString::fromUtf8(file.readAll()));
  while (matches.hasNext()) names.append(matches.next().captured(1));
  return names;
}

// Which layer each header name belongs to; a name given with its subfolder
// ("qlGrids/qlTntDBCtrls.h") is known under that form too.
QHash<QString, QString> HeaderLayers(const QList<SourceFile> &files) {
  QHash<QString, QString> layers;
  for (const SourceFile &f : files) {
    if (!f.path.endsWith(".h")) continue;
    const QStringList parts = f.path.split('/');
    layers.insert(parts.last(), f.layer);
    if (parts.size() >= 2) layers.insert(parts[parts.size() - 2] + "/" + parts.last(), f.layer);
  }
  return layers;
}

TEST(IncludeRanksTest, EveryLayerIncludesOnlyItsOwnAndLowerLayers) {
  const QList<SourceFile> files = SourceFiles();
  ASSERT_GT(files.size(), 100) << "no sources under " << SourceRoot().toStdString();
  const QHash<QString, QString> headerLayer = HeaderLayers(files);
  QStringList faults;
  for (const SourceFile &f : files) {
    for (const QString &name : QuotedIncludes(f.path)) {
      if (name.startsWith("./") || name.contains("../")) {
        faults << f.path + ": relative include \"" + name + "\"";
        continue;
      }
      const QString target = headerLayer.value(name);
      if (target.isEmpty() || target == f.layer) continue;  // own layer, or generated (ui_, moc)
      const bool upward = RankOf(target) > RankOf(f.layer);
      const bool sideways = RankOf(target) == RankOf(f.layer);
      if (upward || sideways)
        faults << f.path + " (" + f.layer + ") includes \"" + name + "\" of " + target;
    }
  }
  EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
}

TEST(IncludeRanksTest, RestavoAndTheExchangeNeverBuildTheDataModule) {
  QStringList faults;
  for (const SourceFile &f : SourceFiles()) {
    if (f.layer != "restavo" && f.layer != "exchange") continue;
    if (QuotedIncludes(f.path).contains("DataTessal.h"))
      faults << f.path + " includes DataTessal.h";
  }
  EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
}

// A unit that Restavo needs can still drag the data module in through the
// static libraries (one routine of a data-module unit links the whole unit):
// the program's symbol table must name TDM nowhere, neither its members, its
// vtable and typeinfo, nor the store routines that take it.
TEST(IncludeRanksTest, RestavoLinksNothingOfTheDataModule) {
  const QString program = qEnvironmentVariable("TESSAL_BIN") + "/Restavo";
  ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString() << " is not built";
  QProcess nm;
  nm.start("nm", {"-C", program});
  ASSERT_TRUE(nm.waitForFinished(60000)) << nm.errorString().toStdString();
  ASSERT_EQ(nm.exitCode(), 0) << nm.readAllStandardError().toStdString();
  const QStringList symbols = QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  ASSERT_GT(symbols.size(), 1000) << "Restavo carries no symbol table";
  static const QRegularExpression dataModule(R"(\bTDM\b)");
  const QStringList found = symbols.filter(dataModule);
  EXPECT_TRUE(found.isEmpty()) << found.size() << " symbols of the data module in Restavo:\n"
                               << found.mid(0, 20).join('\n').toStdString();
}

}  // namespace
