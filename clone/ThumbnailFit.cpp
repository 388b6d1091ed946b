#include "clone/ThumbnailFit.h"

std::optional<QRect> ThumbnailDestination(QSize source, QSize client, bool fit) {
    return ModeDestination(source, client, fit ? CloneMode::Fit : CloneMode::Natural);
}
