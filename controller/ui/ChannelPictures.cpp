#include "ChannelPictures.h"

#include <array>

#include "Channels.h"

namespace lipsmith {
namespace {

constexpr int kFirstPicture = 104;

// Images, not pixmaps: the table may outlive the application object.
const std::array<QImage, kNumChannels>& Table() {
    static const std::array<QImage, kNumChannels> table = [] {
        std::array<QImage, kNumChannels> t;
        for (int i = 0; i < kNumChannels; ++i)
            t[i] = QImage(QStringLiteral(":/lipsmith/channels/%1.png").arg(kFirstPicture + i));
        return t;
    }();
    return table;
}

}  // namespace

const QImage& ChannelPicture(int bitmapResource) {
    static const QImage none;
    const int i = bitmapResource - kFirstPicture;
    return i >= 0 && i < kNumChannels ? Table()[i] : none;
}

}  // namespace lipsmith
