#include "LabelFonts.h"

#include "Resources.h"

#include <QFile>
#include <QString>

#include <osgText/String>

#include <sstream>

namespace quorvane {

namespace {

osg::ref_ptr<osgText::Font> loadSans()
{
    initResources();
    QFile file(QStringLiteral(":/Quorvane/fonts/LiberationSans-Regular.ttf"));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    return osgText::readRefFontFile("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");
}

osg::ref_ptr<osgText::Font> loadWide()
{
    // A font with the CJK ideographs and the Latin letters, from the system (installed with the
    // programs); without it the shipped sans draws what it can.
    for (const char* path : {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                             "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"}) {
        if (QFile::exists(QString::fromLatin1(path)))
            if (osg::ref_ptr<osgText::Font> f = osgText::readRefFontFile(path))
                return f;
    }
    return nullptr;
}

} // namespace

bool sansCovers(const std::string& utf8)
{
    const osgText::String s(utf8, osgText::String::ENCODING_UTF8);
    for (unsigned int c : s)
        if (c > 0x04FF && !(c >= 0x2000 && c <= 0x206F) && c != 0x20AC) // general punctuation and the euro stay
            return false;
    return true;
}

osg::ref_ptr<osgText::Font> labelFontFor(const std::string& utf8)
{
    static osg::ref_ptr<osgText::Font> sans = loadSans();
    if (sansCovers(utf8) && sans)
        return sans;
    static osg::ref_ptr<osgText::Font> wide = loadWide();
    return wide ? wide : sans;
}

} // namespace quorvane
