#include "app/core/FirstPicture.h"

#include "app/core/SettingsFile.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFiles.h"
#include "platform/DataDir.h"
#include "show/SlideShow.h"

namespace ld {

void RecordingRandom::Reseed() {
  inner_.Reseed();
  calls_.push_back({true, 0, 0, 0});
}

int RecordingRandom::Uniform(int low, int high) {
  const int v = inner_.Uniform(low, high);
  calls_.push_back({false, low, high, v});
  return v;
}

const RandomCall* ReplayRandom::Next(const RandomCall& wanted) {
  if (!replaying_) return nullptr;
  if (!calls_) calls_ = record_();
  if (next_ >= calls_->size()) {
    replaying_ = false;
    return nullptr;
  }
  const RandomCall& c = (*calls_)[next_];
  if (c.reseed != wanted.reseed || c.low != wanted.low || c.high != wanted.high) {
    replaying_ = false;
    return nullptr;
  }
  ++next_;
  return &c;
}

void ReplayRandom::Reseed() {
  // Runs that end before they draw (the panel opened while the catalogue is
  // still empty) re-seed too: until a number is handed out, every re-seed
  // starts the record again.
  if (replaying_ && !handedOut_) {
    if (!calls_) calls_ = record_();
    if (!calls_->empty() && (*calls_)[0].reseed) {
      next_ = 1;
      return;
    }
  }
  if (!Next({true, 0, 0, 0})) inner_.Reseed();
}

int ReplayRandom::Uniform(int low, int high) {
  if (const RandomCall* c = Next({false, low, high, 0})) {
    handedOut_ = true;
    return c->value;
  }
  return inner_.Uniform(low, high);
}

std::optional<FirstPictureGuess> GuessFirstPicture(QSize screen, IRandom& random) {
  if (ChooseCatalogueAction() != CatalogueAction::Load) return std::nullopt;
  // The keys the choice and the decode depend on, as the settings load reads
  // them.
  QStringList settings;
  LoadSettingsList(settings, DataFile(QString::fromLatin1(files::kSettings)));
  auto text = [&](const char* key) {
    const SettingKey* k = FindSettingKey(QString::fromLatin1(key));
    return ReadSetting(settings, QString::fromLatin1(key), SettingDefault(*k));
  };
  auto number = [&](const char* key) {
    bool ok = false;
    const int n = text(key).trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
  };
  const auto sequential = number("indice_non_aleatoire"), radius = number("rayon_rnd"),
             draws = number("nb_fouille"), zoom = number("zoom_max10"),
             effect = number("Rdg1.ItemIndex");
  if (!sequential || !radius || !draws || !zoom || !effect) return std::nullopt;
  const SelectionSettings s{text("CheckBox_rnd.Checked") == QLatin1String("true"), *radius, *draws};

  Catalogue catalogue;
  if (LoadCatalogue(catalogue) != LoadResult::Loaded || catalogue.Count() == 0) return std::nullopt;
  // What the show's first forward step of a fresh run will choose, and
  // whether the show will decode it, asked of the show itself.
  const QString path = SlideShow::FirstForwardPath(catalogue, s, *sequential, random);
  if (!SlideShow::DecodesPicture(path)) return std::nullopt;
  return FirstPictureGuess{path, DisplayTarget{screen, *effect, *zoom}};
}

namespace {

// Whether two sets of limits decode a picture of this size alike.
bool SameLimits(const DecodeLimits& a, const DecodeLimits& b, QSize own) {
  if (a.maxPixels != b.maxPixels || a.maxSourcePixels != b.maxSourcePixels ||
      a.maxFileBytes != b.maxFileBytes || bool(a.wanted) != bool(b.wanted))
    return false;
  return !a.wanted || a.wanted(own) == b.wanted(own);
}

FileStamp StampOf(const QString& path) { return StatFile(path).value_or(FileStamp{}); }

}  // namespace

FirstPictureDecoder::FirstPictureDecoder(QSize screen, std::unique_ptr<IRandom> seed,
                                         PicturePrefetcher::Decoder decode)
    : state_(std::make_shared<State>()) {
  state_->decode = std::move(decode);
  thread_ = std::thread([state = state_, screen, seed = std::move(seed)] {
    std::optional<FirstPictureGuess> guess;
    RecordingRandom random(*seed);
    try {
      guess = GuessFirstPicture(screen, random);
    } catch (...) {
      // An unreadable file: no guess, the window reports it.
      guess.reset();
    }
    {
      std::lock_guard lock(state->mutex);
      state->guessed = true;
      state->guess = guess;
      if (guess) {
        state->draws = random.Calls();
        state->limits = guess->target.Limits();
      }
    }
    state->cv.notify_all();
    if (!guess) return;
    DecodedPicture picture;
    const FileStamp stamp = StampOf(guess->path);
    try {
      picture = state->decode(guess->path, guess->target.Limits());
    } catch (...) {
      picture = DecodedPicture();
    }
    {
      std::lock_guard lock(state->mutex);
      state->picture = std::move(picture);
      state->stamp = stamp;
      state->decoded = true;
    }
    state->cv.notify_all();
  });
}

FirstPictureDecoder::~FirstPictureDecoder() { thread_.join(); }

std::vector<RandomCall> FirstPictureDecoder::GuessDraws() const {
  std::unique_lock lock(state_->mutex);
  state_->cv.wait(lock, [&] { return state_->guessed; });
  return state_->draws;
}

QString FirstPictureDecoder::GuessedPath() const {
  std::unique_lock lock(state_->mutex);
  state_->cv.wait(lock, [&] { return state_->guessed; });
  return state_->guess ? state_->guess->path : QString();
}

PicturePrefetcher::Decoder FirstPictureDecoder::Decoder() const {
  return [state = state_](const QString& path, const DecodeLimits& limits) {
    {
      std::unique_lock lock(state->mutex);
      state->cv.wait(lock, [&] { return state->guessed; });
      if (!state->taken && state->guess && state->guess->path == path) {
        state->cv.wait(lock, [&] { return state->decoded; });
        // Asked for once: whatever happens, the picture is let go now.
        state->taken = true;
        DecodedPicture picture = std::move(state->picture);
        state->picture = DecodedPicture();
        // A file changed since is decoded again.
        if (SameLimits(limits, state->limits, picture.ownSize) && picture.error.isEmpty() &&
            StampOf(path) == state->stamp)
          return picture;
      }
    }
    return state->decode(path, limits);
  };
}

}  // namespace ld
