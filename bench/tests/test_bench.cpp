// The benchmark's own arithmetic and readings: a wrong median or a misread /proc line would
// report a goal met that is not.

#include <QTest>

#include "pixels.h"
#include "report_table.h"
#include "stats.h"

class BenchTest : public QObject {
    Q_OBJECT

private slots:
    void percentiles_data() {
        QTest::addColumn<QList<double>>("samples");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("p95");
        QTest::newRow("none") << QList<double>{} << 0.0 << 0.0;
        QTest::newRow("one") << QList<double>{7} << 7.0 << 7.0;
        QTest::newRow("even count, unsorted") << QList<double>{4, 1, 3, 2} << 2.5 << 3.85;
        QTest::newRow("outlier only moves the top")
            << QList<double>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 100} << 1.0
            << 5.95;
    }
    void percentiles() {
        QFETCH(QList<double>, samples);
        QFETCH(double, median);
        QFETCH(double, p95);
        const Summary s = summarize(samples);
        QCOMPARE(s.median, median);
        QVERIFY(qAbs(s.p95 - p95) < 1e-9);
    }

    void procReadings() {
        // A program name with spaces and a parenthesis must not shift the fields.
        const QByteArray stat =
            "4242 (kazoe (x) y) S 1 4242 4242 0 -1 4194304 900 0 0 0 125 31 0 0 20 0 5 0";
        QCOMPARE(cpuTicksFromStat(stat), std::optional<qint64>(156));
        QCOMPARE(cpuTicksFromStat("garbage"), std::nullopt);
        QCOMPARE(cpuTicksFromStat("1 (short) S 1 2"), std::nullopt);

        const QByteArray status =
            "Name:\tkazoe\nVmPeak:\t  400 kB\nVmHWM:\t   51234 kB\n"
            "VmRSS:\t   40000 kB\n";
        QCOMPARE(statusFieldKib(status, "VmHWM"), std::optional<qint64>(51234));
        QCOMPARE(statusFieldKib(status, "VmRSS"), std::optional<qint64>(40000));
        QCOMPARE(statusFieldKib(status, "VmSwap"), std::nullopt);
    }

    // White ground, black empty screen and grey text are no picture; the tray and a character are.
    void colouredPixels() {
        QVERIFY(!isColoured(0xFFFFFF));
        QVERIFY(!isColoured(0x000000));
        QVERIFY(!isColoured(0x808080));
        QVERIFY(!isColoured(0x7A7F80));  // anti-aliased black on white
        QVERIFY(isColoured(0xFFFF80));
        QVERIFY(isColoured(0xFFA63D));

        std::vector<std::uint32_t> screen(20 * 10, 0xFFFFFF);
        QVERIFY(findColoured(screen.data(), 20, 10, 20, 1).isEmpty());
        for (int y = 3; y <= 6; ++y)
            for (int x = 11; x <= 15; ++x)
                screen[size_t(y * 20 + x)] = 0xFFA63D;
        const ColouredBox box = findColoured(screen.data(), 20, 10, 20, 1);
        QCOMPARE(box.count, 20);
        QCOMPARE(box.left, 11);
        QCOMPARE(box.right, 15);
        QCOMPARE(box.top, 3);
        QCOMPARE(box.bottom, 6);
        QCOMPARE(box.centreX(), 13);
        // A coarse grid still finds the picture.
        QVERIFY(findColoured(screen.data(), 20, 10, 20, 4).count > 0);

        std::vector<std::uint32_t> later = screen;
        later[0] = 0xFF000000 | later[0];  // the unused top byte is no change
        later[5] = 0x000033;
        QCOMPARE(countChanged(screen.data(), later.data(), int(screen.size())), 1);
    }

    void resultsAndJson() {
        const Samples s = parseResults(
            "startup_game_ms 40.5\nnoise\nstartup_game_ms 42\n"
            "touch_sound_ms 12.25\nbad value\n");
        QCOMPARE(s.value(QStringLiteral("startup_game_ms")), (QList<double>{40.5, 42}));
        QCOMPARE(s.value(QStringLiteral("touch_sound_ms")), QList<double>{12.25});
        QCOMPARE(s.size(), 2);

        const QByteArray json = R"({"benchmarks": [
            {"name": "drawGameScreen/1920/1080", "run_name": "drawGameScreen/1920/1080",
             "run_type": "iteration", "real_time": 2500000, "cpu_time": 1000000, "time_unit": "ns"},
            {"name": "drawGameScreen/1920/1080", "run_name": "drawGameScreen/1920/1080",
             "run_type": "iteration", "real_time": 3.5, "cpu_time": 2, "time_unit": "ms"},
            {"name": "drawGameScreen/1920/1080_median", "run_name": "drawGameScreen/1920/1080",
             "run_type": "aggregate", "real_time": 3.0, "time_unit": "ms"}]})";
        const Samples drawing = parseBenchmarkJson(json);
        QCOMPARE(drawing.value(QStringLiteral("drawGameScreen/1920/1080")),
                 (QList<double>{2.5, 3.5}));
        QCOMPARE(drawing.value(QStringLiteral("drawGameScreen/1920/1080/cpu")),
                 (QList<double>{1, 2}));
        QCOMPARE(drawing.size(), 2);
    }

    // The goals are judged on the medians, against the floor where there is one.
    void goals() {
        Samples s;
        s[QStringLiteral("startup_floor_ms")] = {30, 32, 34};
        s[QStringLiteral("startup_game_ms")] = {38, 39, 80};  // 39 / 32 = 1.22
        s[QStringLiteral("startup_floor_peak_kib")] = {28 * 1024};
        s[QStringLiteral("startup_game_peak_kib")] = {57 * 1024};
        s[QStringLiteral("touch_numeral_ms")] = {5, 5, 5, 5, 5, 5, 5, 5, 5,  5,
                                                 5, 5, 5, 5, 5, 5, 5, 5, 40, 40};
        s[QStringLiteral("hopping_cpu_pct")] = {0.4};
        s[QStringLiteral("floor_hopping_cpu_pct")] = {0.6, 0.7};
        s[QStringLiteral("silent_hopping_cpu_pct")] = {0.1};
        s[QStringLiteral("floor_silent_hopping_cpu_pct")] = {0.07};
        const QList<Row> rows = buildRows(s);
        const auto row = [&](const QString& start) {
            for (const Row& r : rows)
                if (r.measure.startsWith(start))
                    return r;
            return Row{};
        };
        QVERIFY(!row(QStringLiteral("Start-up")).met);
        QVERIFY(row(QStringLiteral("Start-up")).shortfall.startsWith(QStringLiteral("1.22 ×")));
        QVERIFY(row(QStringLiteral("Peak memory")).met);
        // A good median does not hide a slow tail.
        QVERIFY(!row(QStringLiteral("Touch to numeral")).met);
        QVERIFY(row(QStringLiteral("CPU while a character hops")).met);
        QCOMPARE(row(QStringLiteral("CPU with no audio server")).shortfall,
                 QStringLiteral("0.03 % of a core over"));
        // No figures is no pass.
        const Row sound = row(QStringLiteral("Touch to sound"));
        QVERIFY(!sound.measured);
        QVERIFY(!sound.met);
        QVERIFY(markdownTable(rows).contains(QStringLiteral("**no**: no figures")));
    }
};

QTEST_APPLESS_MAIN(BenchTest)
#include "test_bench.moc"
