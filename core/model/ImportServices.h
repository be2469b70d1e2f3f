// What an import takes from the layers above the file formats: pictures of models and videos, and the
// conversion of the formats that only assimp reads. The programs and the command-line tool hand in the
// implementations (the view's off-screen renderer, the assimp bridge). Without a renderer a model gets
// the built-in picture as its thumbnail and a video cannot be imported; without a converter only the
// formats stored as they are import.
#pragma once

class QImage;
class QString;

namespace quorvane {

class ThumbnailRenderer
{
public:
    enum class Result {
        Written,         // the picture is there
        UnreadableModel, // no reader takes the file, or it holds nothing to draw: not a model
        NoGraphics,      // no graphics context here (no display): the model could not be drawn
    };
    virtual ~ThumbnailRenderer() = default;
    // Draws the model file into the picture file `imagePath` on pure green (0, 255, 0), which the import
    // makes transparent. Nothing is written unless it returns Written.
    virtual Result renderModel(const QString& modelPath, const QString& imagePath) = 0;
    // The first frame of a video, or a null picture when it cannot be decoded.
    virtual QImage firstVideoFrame(const QString& videoPath) = 0;
};

class ModelConverter
{
public:
    virtual ~ModelConverter() = default;
    // Converts a model file into one self-contained binary FBX. False, with the reason in `error` and the
    // output left alone, when it cannot.
    virtual bool convertToFbx(const QString& input, const QString& outputFbx, QString* error) = 0;
};

} // namespace quorvane
