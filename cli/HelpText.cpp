#include "cli/HelpText.h"

namespace hk::cli {
namespace {

constexpr const char* kLink =
    "Связь (LINK):\n"
    "  --protocol traditional|ft12   протокол обмена (по умолчанию traditional)\n"
    "  --crc 0|1|2                   CRC в FT1.2: 0 не расчитывается, 1 в данных,\n"
    "                                2 вместо КС и конца кадра\n"
    "  --link rs232|irps             вид связи: Rs-232 или ИРПС (эхо ИРПС определяется)\n"
    "  --channel mcp|mpi             канал обмена: МЦП или МПИ\n";

constexpr const char* kCommon =
    "Общие параметры:\n"
    "  --port P         Com1 … Com18 (как в окне программы) или путь к устройству\n"
    "  --json           итог одной строкой JSON на стандартный вывод\n"
    "  --quiet          без хода работы на стандартном выводе ошибок\n"
    "  --save-settings  сохранить найденные параметры в файл настроек окна HmK.Cfg\n"
    "  --log FILE       журнал обмена в этот файл (иначе — в папку журналов программы);\n"
    "                   файл, в который нельзя писать, — код 2 до начала обмена\n"
    "Каждый параметр задаётся один раз.\n";

constexpr const char* kExit =
    "Коды завершения: 0 успех; 1 иная ошибка; 2 неверные параметры или файл списка\n"
    "(в порт ничего не передано); 3 порт не открыт; 4 КВАРД не найден; 5 подключён\n"
    "другой комплект; 6 обмен отклонён или не удался (код результата в сообщении);\n"
    "7 записанное не совпало с прочитанным; 8 электронный ключ не установлен;\n"
    "9 модем ответил на строку не OK (ERROR, NO CARRIER, BUSY…) или без кода результата;\n"
    "10 модем не ответил за отведённое время; 11 резервная копия не сделана;\n"
    "12 файл настроек не записан; 13 модем хранит настройку не так, как в списке;\n"
    "130, 143, 129 работа остановлена сигналом SIGINT (Ctrl+C), SIGTERM, SIGHUP: запись\n"
    "доводится до отмены копирования и конца обмена, сообщение говорит, что сделано с КВАРД.\n";

}  // namespace

std::string HelpText(const std::string& command) {
    if (command == "search")
        return std::string(
                   "hayeskvd-cli search --port P [LINK] [--number N|all] [--speed BAUD|all]\n"
                   "Ищет КВАРД на линии: сетевые номера 0…127 (или один) на скоростях\n"
                   "300…19200 бод (или одной); печатает номер, скорость и комплект.\n\n"
                   "Пример: hayeskvd-cli search --port Com1 --speed 9600\n\n") +
               kLink + kCommon + kExit;
    if (command == "scan")
        return std::string(
                   "hayeskvd-cli scan --port P [LINK] [--numbers A-B] [--speed BAUD|all]\n"
                   "                  [--csv FILE] [--json]\n"
                   "Опрос сети: все КВАРД на линии (номера 1…127, с FT1.2 и 0) на скоростях\n"
                   "300…19200 бод (или одной): номер, скорость, комплект и состояние —\n"
                   "по строке на найденный КВАРД; --csv сохраняет таблицу (UTF-8, в Windows\n"
                   "для Excel: с меткой порядка байтов и «;» между полями).\n"
                   "Код завершения 4, если не ответил ни один.\n\n"
                   "Пример: hayeskvd-cli scan --port Com1 --numbers 1-20 --speed 9600\n\n") +
               kLink + kCommon + kExit;
    if (command == "read")
        return std::string(
                   "hayeskvd-cli read --port P --kit K [LINK] [--number N] [--speed BAUD]\n"
                   "                  [--out1 FILE] [--out2 FILE]\n"
                   "Читает буферы настроек модема из КВАРД в файлы списков (Windows-1251,\n"
                   "CR LF, как сохраняет окно) или на стандартный вывод. --out1 и --out2 —\n"
                   "разные файлы; записываются оба или ни один. Второй буфер (--out2) есть\n"
                   "только у комплектов 0 и 3. В конце — конец обмена.\n"
                   "--kit: 0 базовый, 1 минимальный, 2 расширяемый, 3 КВАРД-47.\n\n"
                   "Пример (резервная копия): hayeskvd-cli read --port Com1 --kit 0 --number 5\n"
                   "  --speed 9600 --out1 mcp.n3 --out2 mpi.n3\n\n") +
               kLink + kCommon + kExit;
    if (command == "write")
        return std::string(
                   "hayeskvd-cli write --port P --kit K [LINK] [--number N] [--speed BAUD]\n"
                   "                   [--in1 FILE | --clear1] [--in2 FILE | --clear2]\n"
                   "                   [--password HEX] [--restart | --no-restart]\n"
                   "                   [--wait-key SECONDS] [--no-backup] [--no-verify]\n"
                   "                   [--backup-dir DIR]\n"
                   "Записывает списки (или очищает буферы) в КВАРД так же, как окно: STOP,\n"
                   "буфер репрограммации, запись, копирование в РПЗУ. Перед записью буферы\n"
                   "сохраняются в папку резервных копий (--backup-dir — в другую,\n"
                   "--no-backup — нет), после записи\n"
                   "читаются и сравниваются (--no-verify — нет). Без --restart КВАРД не\n"
                   "перезапускается, а с ним — только если запись послала ему STOP или\n"
                   "копирование в буфер репрограммации; без --wait-key отсутствие\n"
                   "электронного ключа завершает работу с кодом 8. Строка с буквой «я»\n"
                   "(код FF — конец буфера КВАРД) не записывается (код 2). В конце,\n"
                   "удачном или нет, — конец обмена; при неудаче сообщение называет\n"
                   "причину и то, в каком состоянии остался КВАРД.\n\n"
                   "Пример: hayeskvd-cli write --port Com1 --kit 0 --number 5 --speed 9600\n"
                   "  --in1 mcp.n3 --clear2 --restart\n\n") +
               kLink + kCommon + kExit;
    if (command == "modem-write")
        return std::string(
                   "hayeskvd-cli modem-write --port P --speed BAUD [--silence SECONDS]\n"
                   "                         [--verify] FILE\n"
                   "Записывает список строк в модем построчно, как кнопка «Записать в модем»:\n"
                   "первая строка, затем строки на AT, каждая через 500 мс после ответа.\n"
                   "Ответ — код результата словом (OK, ERROR) или цифрой (0, 4, при V0);\n"
                   "строка записана, только если модем ответил OK (0); любой другой код\n"
                   "(ERROR, NO CARRIER, BUSY…) и ответ без кода — ошибка (код 9). Строка\n"
                   "набора или ответа на звонок (ATD, ATA) успешна с CONNECT: модем на линии,\n"
                   "запись на ней заканчивается. Строка, на которую модем не ответил за\n"
                   "--silence секунд (по умолчанию 10), прерывает запись. Строка длиннее\n"
                   "300 символов — код 2, в модем ничего не передано.\n"
                   "--verify: после записи проверяет модем по списку, как modem-verify\n"
                   "(код 13, если модем хранит настройку не так, как в списке).\n\n"
                   "Пример: hayeskvd-cli modem-write --port Com2 --speed 9600 --verify\n"
                   "  hayes_init.n2\n\n") +
               kCommon + kExit;
    if (command == "modem-verify")
        return std::string(
                   "hayeskvd-cli modem-verify --port P --speed BAUD FILE\n"
                   "Проверяет, что модем хранит настройки списка, как кнопка «Проверить модем»:\n"
                   "S-регистры (Sn=v) и флаги E, V, Q, X, L, M, B, &C, &D, &K, последнее\n"
                   "значение в списке, с учётом Z, &F и &W (после &W — и в сохранённом\n"
                   "профиле). Регистры читаются командой ATSn?, флаги и профиль — AT&V.\n"
                   "По строке на настройку: в списке, в модеме, совпадает / отличается /\n"
                   "не проверено. Код 13, если модем хранит настройку не так, как в списке;\n"
                   "1, если не удалось проверить ни одной (например, в списке Q1); 10, если\n"
                   "модем молчит или шлёт только то, что не ответ (RING, шум).\n\n"
                   "Пример: hayeskvd-cli modem-verify --port Com2 --speed 9600 hayes_init.n2\n\n") +
               kCommon + kExit;
    if (command == "modem-view")
        return std::string(
                   "hayeskvd-cli modem-view --port P --speed BAUD [--silence SECONDS]\n"
                   "Печатает текущие настройки модема (команда AT I4). Успех — только если\n"
                   "модем закончил ответ кодом OK (0 при V0); другой код результата — 9;\n"
                   "ответ, не законченный кодом за --silence секунд тишины (по умолчанию 3),\n"
                   "— 10.\n\n"
                   "Пример: hayeskvd-cli modem-view --port Com2 --speed 9600\n\n") +
               kCommon + kExit;
    return std::string(
               "hayeskvd-cli — настройка Hayes-модемов КВАРД из командной строки.\n\n"
               "Команды:\n"
               "  search       найти КВАРД: сетевой номер, скорость, комплект\n"
               "  scan         опросить сеть: все КВАРД на линии с их состоянием\n"
               "  read         прочитать буферы настроек модема из КВАРД\n"
               "  write        записать списки в буферы КВАРД (с резервной копией и проверкой)\n"
               "  modem-write  записать список строк в модем\n"
               "  modem-view   показать текущие настройки модема\n"
               "  modem-verify проверить модем по списку строк\n\n"
               "hayeskvd-cli КОМАНДА --help — справка по команде; --version — версия.\n\n"
               "Примеры:\n"
               "  hayeskvd-cli read --port Com1 --kit 0 --out1 mcp.n3 --out2 mpi.n3\n"
               "  hayeskvd-cli write --port Com1 --kit 0 --in1 mcp.n3 --in2 mpi.n3 --restart\n"
               "  hayeskvd-cli modem-write --port Com2 --speed 9600 hayes_init.n2\n\n") +
           kExit;
}

}  // namespace hk::cli
