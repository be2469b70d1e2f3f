// The small math types: quaternion conversions in every branch, and index assertions.
#include "FrameSynth.h"
#include "MathUtils.h"

#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

using namespace trk;

namespace {

// Runs f in a child process; returns what it wrote to standard error if it died of SIGABRT.
QString abortMessage(const std::function<void()>& f)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        f();
        _exit(0);
    }
    close(fds[1]);
    QByteArray out;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<int>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGABRT)
        return {};
    return QString::fromUtf8(out);
}

} // namespace

class TestMathUtils : public QObject
{
    Q_OBJECT
private slots:
    void quaternionRoundTrip_data();
    void quaternionRoundTrip();
    void indexAssertions_data();
    void indexAssertions();
};

void TestMathUtils::quaternionRoundTrip_data()
{
    QTest::addColumn<float>("ax");
    QTest::addColumn<float>("ay");
    QTest::addColumn<float>("az");
    QTest::addColumn<float>("angle");
    // Small angles take the trace branch; half turns about each axis take the X, Y and Z branches.
    QTest::newRow("trace") << 0.3f << -0.5f << 0.8f << 0.7f;
    QTest::newRow("x largest") << 1.0f << 0.1f << -0.05f << 3.0f;
    QTest::newRow("y largest") << 0.1f << 1.0f << 0.2f << 3.1f;
    QTest::newRow("z largest") << -0.05f << 0.1f << 1.0f << 2.9f;
    QTest::newRow("identity") << 0.0f << 0.0f << 1.0f << 0.0f;
}

void TestMathUtils::quaternionRoundTrip()
{
    QFETCH(float, ax);
    QFETCH(float, ay);
    QFETCH(float, az);
    QFETCH(float, angle);
    const CQuaternion q = AxisAngle({ax, ay, az}, angle);
    const CQuaternion back = CQuaternion::FromMatrix(q.ToMatrix());
    QVERIFY(RotationDistanceDeg(q, back) < 0.05f);
    QVERIFY(std::fabs(back.LengthSquared() - 1.0f) < 1e-5f);

    // The conjugate's row-vector matrix is the rotation's own column-vector matrix, and that
    // matrix turns vectors by the quaternion: the axis stays, lengths stay.
    const CMatrix3 R = q.ToMatrix(), C = q.ConjugateMatrix();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            QVERIFY(std::fabs(R(i, j) - C(i, j)) < 1e-6f);
    const CVector3 axis = CVector3(ax, ay, az).Normalized();
    QVERIFY((q.Rotate(axis) - axis).Length() < 1e-5f);
    const CVector3 v(1.0f, 2.0f, 3.0f);
    QVERIFY(std::fabs(q.Rotate(v).Length() - v.Length()) < 1e-5f);
}

void TestMathUtils::indexAssertions_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("text");
    QTest::newRow("3-vector") << 0 << QStringLiteral("index==0 || index == 1 || index == 2");
    QTest::newRow("3x3 matrix") << 1 << QStringLiteral("index>=0 && index <9");
    QTest::newRow("4-vector") << 2 << QStringLiteral("index>=0 && index <4");
}

void TestMathUtils::indexAssertions()
{
    QFETCH(int, which);
    QFETCH(QString, text);
    volatile int bad = which == 1 ? 9 : (which == 0 ? 3 : 4);
    const QString msg = abortMessage([which, &bad] {
        volatile float sink = 0;
        if (which == 0)
            sink = CVector3()[bad];
        else if (which == 1)
            sink = CMatrix3()[bad];
        else
            sink = CVector4()[bad];
        (void)sink;
    });
    QVERIFY2(msg.contains(text), qPrintable(msg));
}

QTEST_APPLESS_MAIN(TestMathUtils)
#include "tst_mathutils.moc"
