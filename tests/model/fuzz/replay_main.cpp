// Runs a fuzz target over its committed seed corpus, so CI exercises every target without clang.
#include <QByteArray>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 0;
    QDirIterator it(QStringLiteral(FUZZ_CORPUS_DIR), QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(f.fileName()));
            return 1;
        }
        const QByteArray data = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
#ifndef FUZZ_SEEDS_ONLY
        // Every cut of a seed too: the readers' most common damage.
        for (qsizetype n = 0; n < data.size() && n < 4096; n += 1 + n / 64)
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(n));
#else
        // Each run starts a process: a few cuts only.
        for (const qsizetype n : {data.size() / 3, data.size() / 2})
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(n));
#endif
        ++runs;
    }
    std::printf("%d seeds replayed\n", runs);
    return runs > 0 ? 0 : 1;
}
