#include "devservice/DemoData.h"

#include "devservice/ServiceStore.h"

#include <QString>

#include <iterator>

namespace {

struct Entry {
    const char* name;
    const char* mean;
    const char* example;
};

const Entry kEveryday[] = {
    {"apple", "사과", "She eats an apple every morning."},
    {"borrow", "빌리다", "Can I borrow your pen for a minute?"},
    {"careful", "조심하는, 신중한", "Be careful when you cross the street."},
    {"decide", "결정하다", "We decided to stay at home."},
    {"early", "일찍, 이른", "He gets up early on weekdays."},
    {"famous", "유명한", "Jeju Island is famous for its beaches."},
    {"garden", "정원", "My grandmother grows tomatoes in her garden."},
    {"healthy", "건강한", "Fresh vegetables keep you healthy."},
    {"invite", "초대하다", "They invited us to their wedding."},
    {"journey", "여행, 여정", "The journey took three hours by train."},
    {"kitchen", "부엌", "The kitchen smells of fresh bread."},
    {"library", "도서관", "I study at the library after school."},
    {"market", "시장", "We bought fish at the market."},
    {"neighbor", "이웃", "Our neighbor has a friendly dog."},
    {"ocean", "바다, 대양", "The ocean was calm this morning."},
    {"promise", "약속하다; 약속", "I promise I will call you tonight."},
    {"quiet", "조용한", "Please be quiet in the hospital."},
    {"remember", "기억하다", "Do you remember her name?"},
    {"season", "계절", "Autumn is my favourite season."},
    {"travel", "여행하다", "She wants to travel around the world."},
    {"umbrella", "우산", "Take an umbrella; it may rain."},
    {"village", "마을", "He grew up in a small village."},
    {"weather", "날씨", "The weather is warm today."},
    {"yesterday", "어제", "I met an old friend yesterday."},
    {"zero", "영, 0", "The temperature fell below zero."},
    {"answer", "대답하다; 대답", "Please answer the question."},
    {"bridge", "다리", "A new bridge crosses the river."},
    {"culture", "문화", "Food is an important part of culture."},
    {"describe", "묘사하다, 설명하다", "Can you describe the man you saw?"},
    {"energy", "에너지, 기운", "Children have so much energy."},
    {"forget", "잊다", "Don't forget to lock the door."},
    {"guess", "추측하다", "Guess what I bought today."},
    {"history", "역사", "He is interested in Korean history."},
    {"improve", "향상시키다", "Reading every day will improve your English."},
    {"join", "가입하다, 함께하다", "Would you like to join our club?"},
    {"knowledge", "지식", "Knowledge is power."},
    {"laugh", "웃다", "The children laughed at the clown."},
    {"message", "메시지, 전갈", "I left a message on your phone."},
    {"nervous", "긴장한", "I always get nervous before exams."},
    {"opinion", "의견", "In my opinion, the film was too long."},
    {"prepare", "준비하다", "Mom is preparing dinner."},
    {"question", "질문", "May I ask a question?"},
    {"receive", "받다", "Did you receive my letter?"},
    {"share", "나누다, 공유하다", "Let's share this pizza."},
    {"tired", "피곤한", "I was too tired to go out."},
    {"usually", "보통, 대개", "I usually walk to work."},
    {"visit", "방문하다", "We visited the museum last Sunday."},
    {"wonderful", "멋진, 훌륭한", "We had a wonderful time."},
    {"young", "젊은, 어린", "My father looks young for his age."},
    {"advice", "충고, 조언", "Thank you for your advice."},
    {"believe", "믿다", "I can't believe it's already December."},
    {"choose", "고르다, 선택하다", "You can choose any color you like."},
    {"different", "다른", "The two sisters are very different."},
    {"explain", "설명하다", "Could you explain this word to me?"},
    {"favorite", "가장 좋아하는", "What is your favorite food?"},
    {"gift", "선물", "This watch was a gift from my uncle."},
    {"hurry", "서두르다", "Hurry up, or we'll miss the bus!"},
    {"ice cream", "아이스크림", "Let's get some ice cream after lunch."},
    {"well-known", "잘 알려진", "He is a well-known singer in Korea."},
    {"café", "카페", "We met at a small café near the station."},
};

const Entry kSpoken[] = {
    {"hello", "안녕하세요", "Hello, nice to meet you."},
    {"water", "물", "Could I have a glass of water?"},
    {"thought", "생각", "That's an interesting thought."},
    {"through", "~을 통해서", "We walked through the park."},
    {"comfortable", "편안한", "This sofa is very comfortable."},
    {"vegetable", "채소", "Eat more vegetables."},
    {"schedule", "일정", "My schedule is full this week."},
    {"island", "섬", "We took a boat to the island."},
    {"knife", "칼", "Be careful with that knife."},
    {"choir", "합창단", "She sings in the church choir."},
    {"Wednesday", "수요일", "The meeting is on Wednesday."},
    {"colonel", "대령", "The colonel gave an order."},
};

const Entry kPictures[] = {
    {"cat", "고양이", "The cat is sleeping on the sofa."},
    {"tree", "나무", "There is a tall tree in the yard."},
    {"house", "집", "They live in a white house."},
    {"sun", "태양", "The sun rises in the east."},
    {"car", "자동차", "He washes his car on Sundays."},
    {"flower", "꽃", "She picked a flower for her mother."},
    {"fish", "물고기", "We saw many fish in the river."},
    {"star", "별", "I can see a bright star."},
    {"boat", "배", "A small boat sailed across the lake."},
    {"mountain", "산", "They climbed the mountain together."},
    {"bird", "새", "A bird is singing outside."},
    {"moon", "달", "The moon is full tonight."},
};

const Entry kTravel[] = {
    {"passport", "여권", "Please show me your passport."},
    {"luggage", "짐, 수하물", "Where can I pick up my luggage?"},
    {"reservation", "예약", "I have a reservation under Kim."},
    {"departure", "출발", "The departure time is 9:30."},
    {"arrival", "도착", "Arrival is expected at noon."},
    {"boarding pass", "탑승권", "Keep your boarding pass with you."},
    {"souvenir", "기념품", "I bought a souvenir for my sister."},
    {"exchange", "환전하다", "Where can I exchange money?"},
    {"receipt", "영수증", "Can I have a receipt, please?"},
    {"direction", "방향, 길", "Could you give me directions to the station?"},
    {"delay", "지연", "There is a two-hour delay."},
    {"customs", "세관", "We went through customs quickly."},
};

const Entry kSmall[] = {
    {"one", "하나", "One step at a time."},
    {"two", "둘", "Two heads are better than one."},
    {"three", "셋", "Three is a crowd."},
};

template <std::size_t N> void addWords(ServiceStore& store, int64_t book, const Entry (&entries)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        store.AddWord(book, book * 1000 + int64_t(i) + 1, QString::fromUtf8(entries[i].name),
                      QString::fromUtf8(entries[i].mean), QString::fromUtf8(entries[i].example));
}

} // namespace

void DemoData::Seed(ServiceStore& store) {
    const int64_t demo = store.AddUser(QStringLiteral("demo"), QStringLiteral("demo"));
    const QString none;

    const int64_t plain = store.AddBook(demo, QStringLiteral("기초 영단어 60"), none, none, none);
    addWords(store, plain, kEveryday);

    const int64_t sound = store.AddBook(
        demo, QStringLiteral("발음과 함께 듣는 영단어"),
        QStringLiteral(
            R"({"url":"{base}/application/plugin/speech/%name_l%","type":"wav","file_type":"wav"})"),
        none, none);
    addWords(store, sound, kSpoken);

    const int64_t pictures = store.AddBook(
        demo, QStringLiteral("그림으로 익히는 영단어"), none,
        QStringLiteral(R"({"url":"{base}/application/plugin/picture_url/%id%?word=%name%","type":"url"})"),
        none);
    addWords(store, pictures, kPictures);

    const int64_t styled = store.AddBook(
        demo, QStringLiteral("여행 영어 (스타일)"), none, none,
        QStringLiteral(
            R"({"background":"#FFF8E7","name_color":"#8B3A0F","name_font":"Georgia","name_size":18,)"
            R"("name_ext":"b","mean_color":"#3D5A80","mean_size":11,"example_color":"#6B6B6B",)"
            R"("example_ext":"i"})"));
    addWords(store, styled, kTravel);

    store.AddBook(demo, QStringLiteral("빈 단어장"), none, none, none);

    const int64_t spaced = store.AddUser(QStringLiteral("a b"), QStringLiteral("p+w"));
    const int64_t small = store.AddBook(spaced, QStringLiteral("작은 단어장"), none, none, none);
    addWords(store, small, kSmall);

    store.AddUser(QStringLiteral("학습자"), QStringLiteral("비밀 1+1"));
}
