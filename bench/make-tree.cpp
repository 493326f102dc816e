// Makes a directory tree to catalog: N files in FOLDERS folders below DIR,
// with names, sizes, modification times and nesting like those of a real disk.
// Files are sparse (their sizes cost no disk space). The same arguments always
// give the same tree; SEED picks another tree of the same shape.
//
//   make-tree N FOLDERS DIR [SEED]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and the same on every machine.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
    double Unit() { return double(Next() >> 11) * 0x1.0p-53; }
    double Normal()
    {
        const double u = Unit() + 1e-12;
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * Unit());
    }

private:
    std::uint64_t m_state;
};

const char *const kFolderWords[] = {
    "src",     "docs",      "Photos",   "Music",   "My Documents", "build", "assets",
    "include", "Projects",  "backup",   "old",     "Downloads",    "lib",   "tests",
    "images",  "Reports",   "Invoices", "archive", "data",         "Work",  "Holiday 2019",
    "drivers", "templates", "fonts",    "scripts", "Letters",      "tmp",   "Scans"};
const char *const kFileWords[] = {"readme", "index",   "main",  "report", "IMG",     "DSC",
                                  "letter", "invoice", "notes", "config", "setup",   "track",
                                  "Budget", "summary", "photo", "draft",  "chapter", "schedule",
                                  "backup", "data",    "util",  "test",   "module",  "Thumbs"};
// Extensions with weights that follow what a mixed disk holds.
struct Extension
{
    const char *text;
    int weight;
};
const Extension kExtensions[] = {
    {".jpg", 18}, {".txt", 10}, {".c", 8},    {".h", 8},      {".mp3", 7}, {".pdf", 6},
    {".doc", 5},  {".png", 6},  {".html", 5}, {".xml", 3},    {".JPG", 3}, {".TXT", 2},
    {".py", 4},   {".dat", 3},  {".log", 3},  {".tar.gz", 2}, {"", 3},     {".DOC", 2}};

const char *PickExtension(Random &random)
{
    int total = 0;
    for (const Extension &extension : kExtensions)
        total += extension.weight;
    int pick = int(random.Below(std::uint64_t(total)));
    for (const Extension &extension : kExtensions) {
        if (pick < extension.weight)
            return extension.text;
        pick -= extension.weight;
    }
    return "";
}

template<std::size_t N>
const char *Pick(Random &random, const char *const (&words)[N])
{
    return words[random.Below(N)];
}

// Sizes spread like those of real files: most a few KB, some MB, a few GB,
// one in 200,000 beyond 4 GB.
long long PickSize(Random &random)
{
    if (random.Below(200000) == 0)
        return 4294967296LL + (long long)random.Below(1LL << 32);
    const double size = std::exp(8.5 + 2.3 * random.Normal());
    return size > 3e9 ? 3000000000LL : (long long)size;
}

bool MakeFolder(const std::string &path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return true;
    std::fprintf(stderr, "make-tree: cannot make %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: make-tree N FOLDERS DIR [SEED]\n");
        return 2;
    }
    const long long files = std::atoll(argv[1]);
    const long long folders = std::atoll(argv[2]);
    const std::string root = argv[3];
    const std::uint64_t seed = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1;
    if (files < 0 || folders < 0) {
        std::fprintf(stderr, "make-tree: N and FOLDERS must not be negative\n");
        return 2;
    }
    Random random(seed * 0x2545f4914f6cdd1dULL + 17);
    if (!MakeFolder(root))
        return 1;

    // Folder 0 is DIR itself. Each new folder goes below an earlier one picked
    // at random, which nests the tree about ln(FOLDERS) deep on average; one in
    // ten goes near the top, as the first level of a disk is broad.
    std::vector<std::string> paths{root};
    paths.reserve(std::size_t(folders) + 1);
    for (long long i = 1; i <= folders; ++i) {
        const std::uint64_t parent = random.Below(10) == 0
                                         ? random.Below(std::min<std::uint64_t>(paths.size(), 8))
                                         : random.Below(paths.size());
        std::string path =
            paths[parent] + '/' + Pick(random, kFolderWords) + ' ' + std::to_string(i);
        if (!MakeFolder(path))
            return 1;
        paths.push_back(std::move(path));
    }

    // Modification times over the ten years before a fixed day, so that the
    // tree does not depend on when it was made.
    const long long newest = 1767225600; // 2026-01-01 UTC
    const long long span = 10LL * 365 * 86400;
    for (long long i = 0; i < files; ++i) {
        const std::string &folder = paths[random.Below(paths.size())];
        std::string name;
        if (random.Below(100) == 0)
            name = '.';
        name += Pick(random, kFileWords);
        if (random.Below(4) == 0)
            name += ' ';
        name += std::to_string(i);
        name += PickExtension(random);
        if (random.Below(20) == 0) {
            for (char &c : name)
                c = char(std::toupper((unsigned char)c));
        }
        const std::string path = folder + '/' + name;
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file < 0) {
            std::fprintf(stderr, "make-tree: cannot make %s: %s\n", path.c_str(),
                         std::strerror(errno));
            return 1;
        }
        const long long size = PickSize(random);
        const long long modified = newest - (long long)random.Below(std::uint64_t(span));
        const struct timespec times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
        const bool ok = ftruncate(file, off_t(size)) == 0 && futimens(file, times) == 0;
        close(file);
        if (!ok) {
            std::fprintf(stderr, "make-tree: cannot size %s: %s\n", path.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    // Folder times last, as making their files changed them.
    for (std::size_t i = paths.size(); i-- > 1;) {
        const long long modified = newest - (long long)random.Below(std::uint64_t(span));
        const struct timespec times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
        utimensat(AT_FDCWD, paths[i].c_str(), times, 0);
    }
    std::printf("%lld files in %lld folders below %s\n", files, folders, root.c_str());
    return 0;
}
