<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument %1</source>
        <translation>예상하지 못한 인수 %1</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 에는 값이 없습니다</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 에는 값이 필요합니다</translation>
    </message>
    <message>
        <source>--run needs the name of a routine</source>
        <translation>--run 에는 테스트 이름이 필요합니다</translation>
    </message>
    <message>
        <source>--count needs a text</source>
        <translation>--count 에는 글자가 필요합니다</translation>
    </message>
    <message>
        <source>--port needs a text</source>
        <translation>--port 에는 글자가 필요합니다</translation>
    </message>
    <message>
        <source>--trace needs a file name</source>
        <translation>--trace 에는 파일 이름이 필요합니다</translation>
    </message>
    <message>
        <source>--decode and --render go alone, once</source>
        <translation>--decode 와 --render 는 하나만, 한 번만 쓸 수 있습니다</translation>
    </message>
    <message>
        <source>%1 needs a file name</source>
        <translation>%1 에는 파일 이름이 필요합니다</translation>
    </message>
    <message>
        <source>--out needs a directory</source>
        <translation>--out 에는 디렉터리가 필요합니다</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>알 수 없는 옵션 %1</translation>
    </message>
    <message>
        <source>%1 goes only with the window</source>
        <translation>%1 은(는) 창을 열 때만 쓸 수 있습니다</translation>
    </message>
    <message>
        <source>--list and --run exclude each other</source>
        <translation>--list 와 --run 은 함께 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--decode and --render take no other option but --out</source>
        <translation>--decode 와 --render 에는 --out 말고 다른 옵션을 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--render needs --out DIR</source>
        <translation>--render 에는 --out 디렉터리가 필요합니다</translation>
    </message>
    <message>
        <source>--out goes with --render</source>
        <translation>--out 은 --render 와 함께 씁니다</translation>
    </message>
    <message>
        <source>--virtual opens the window with the virtual printer; it goes without --list, --run and --dry-run</source>
        <translation>--virtual 은 가상 프린터와 함께 창을 엽니다. --list, --run, --dry-run 과 함께 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--ports goes alone</source>
        <translation>--ports 는 혼자 씁니다</translation>
    </message>
    <message>
        <source>no routine is named %1 (see --list)</source>
        <translation>%1 이라는 테스트가 없습니다 (--list 참고)</translation>
    </message>
    <message>
        <source>--count and --port go with --run</source>
        <translation>--count 와 --port 는 --run 과 함께 씁니다</translation>
    </message>
    <message>
        <source>On this machine: %1.</source>
        <translation>이 컴퓨터에서: %1.</translation>
    </message>
    <message>
        <source>cannot write the trace file %1</source>
        <translation>기록 파일 %1 에 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--listen needs ADDRESS:PORT</source>
        <translation>--listen 에는 주소:포트가 필요합니다</translation>
    </message>
    <message>
        <source>--listen %1: not an address and port such as 127.0.0.1:9100 or [::1]:9100</source>
        <translation>--listen %1: 127.0.0.1:9100 이나 [::1]:9100 같은 주소와 포트가 아닙니다</translation>
    </message>
    <message>
        <source>--listen goes only with --virtual</source>
        <translation>--listen 은 --virtual 과 함께만 쓸 수 있습니다</translation>
    </message>
    <message>
        <source>cannot write the trace file %1: it is a FIFO that no program reads</source>
        <translation>기록 파일 %1 에 쓸 수 없습니다: 읽는 프로그램이 없는 FIFO 입니다</translation>
    </message>
    <message>
        <source>License MIT: &lt;https://opensource.org/licenses/MIT&gt;.</source>
        <translation>사용 허가 MIT: &lt;https://opensource.org/licenses/MIT&gt;.</translation>
    </message>
    <message>
        <source>This is free software: you are free to change and redistribute it.</source>
        <translation>이 프로그램은 자유 소프트웨어입니다: 자유롭게 고치고 다시 배포할 수 있습니다.</translation>
    </message>
    <message>
        <source>There is NO WARRANTY, to the extent permitted by law.</source>
        <translation>법이 허용하는 한도에서 어떠한 보증도 없습니다.</translation>
    </message>
    <message>
        <source>%1 and %2 exclude each other</source>
        <translation>%1 와(과) %2 는(은) 함께 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>
A suite runs several routines in turn, each opening its port afresh:
  --run NAME,NAME... the routines named, also by --run given again
  --suite FILE       the routines of FILE, one a line: NAME [COUNT [PORT]];
                     # starts a comment
  --stop-on-failure  end the suite at the first routine that fails
  --report FILE      a JUnit XML report of the suite, rewritten after each
                     routine
It goes on after a failed routine; a signal ends it. Exit 0 when every
routine passed, else the first failure&apos;s code.
</source>
        <translation>
묶음(suite)은 여러 테스트를 차례로 실행하고, 테스트마다 포트를 새로 엽니다:
  --run 이름,이름... 이름을 든 테스트들 (--run 을 여러 번 주어도 됩니다)
  --suite 파일       파일에 적힌 테스트들, 한 줄에 하나: 이름 [횟수 [포트]];
                     # 뒤는 주석
  --stop-on-failure  처음 실패한 테스트에서 묶음을 끝냅니다
  --report 파일      묶음의 JUnit XML 보고서, 테스트가 끝날 때마다 새로 씁니다
실패한 테스트가 있어도 다음 테스트로 넘어가고, 시그널을 받으면 끝냅니다. 모든 테스트가
통과하면 0, 아니면 처음 실패한 테스트의 종료 코드로 끝납니다.
</translation>
    </message>
    <message>
        <source>--report and --stop-on-failure go with --run or --suite</source>
        <translation>--report 와 --stop-on-failure 는 --run 이나 --suite 와 함께 씁니다</translation>
    </message>
    <message>
        <source>--suite names the routines, their counts and ports itself; it goes without --run, --count and --port</source>
        <translation>--suite 는 테스트와 그 횟수, 포트를 스스로 정합니다. --run, --count, --port 없이 씁니다</translation>
    </message>
    <message>
        <source>Usage: mini-printer-test [--dry-run] [--trace FILE]
       mini-printer-test --virtual [--listen ADDRESS:PORT] [--state LIST] [--trace FILE]
       mini-printer-test --list
       mini-printer-test --ports
       mini-printer-test --run NAME [--count TEXT] [--port TEXT] [--dry-run] [--check] [--trace FILE]
       mini-printer-test --status [--port N | --port lpt1] [--trace FILE]
       mini-printer-test --decode FILE
       mini-printer-test --render FILE --out DIR
       mini-printer-test --help | --version
</source>
        <translation>사용법: mini-printer-test [--dry-run] [--trace 파일]
        mini-printer-test --virtual [--listen 주소:포트] [--state 목록] [--trace 파일]
        mini-printer-test --list
        mini-printer-test --ports
        mini-printer-test --run 이름 [--count 글자] [--port 글자] [--dry-run] [--check] [--trace 파일]
        mini-printer-test --status [--port N | --port lpt1] [--trace 파일]
        mini-printer-test --decode 파일
        mini-printer-test --render 파일 --out 디렉터리
        mini-printer-test --help | --version
</translation>
    </message>
    <message>
        <source>
Without --list, --run, --decode or --render it opens the test console.
  --virtual          every port leads to a virtual printer shown beside the console
  --listen ADDRESS:PORT  where the virtual printer listens for programs that print
                     over TCP (default 127.0.0.1:9100, or a free port if taken)
  --state LIST       the virtual printer&apos;s switches at start, parted by commas:
                     near-end, paper-out, cover-open, off-line, drawer-open,
                     recoverable-error, cutter-jam, unrecoverable-error
  --list             the thirteen routines: button name, tab, caption
  --ports            the devices present and where the ports lead, tab-separated
  --run NAME         run one routine without a window and print its result message
  --count TEXT       the repeat count box for --run (default 10)
  --port TEXT        the USB button&apos;s port number box for --run (default 3)
  --check            once the run has ended, ask the printer&apos;s status and add it
                     to the result; exit 3 to 9 as --status for a fault
  --status           ask the printer on --port N (default 1) or --port lpt1 its
                     status and identity; one line per fact, tab-separated
  --dry-run          touch no device: every channel takes every byte
  --trace FILE       every step of every run as JSON Lines
  --decode FILE      the printer stream in FILE as an annotated listing
  --render FILE      one PNG per cut of the stream in FILE, into --out DIR

Serial port n leads to $MPT_COM&lt;n&gt; if set, else to the device it is bound to in the Ports
dialog (kept by the device&apos;s identity), else /dev/ttyS&lt;n-1&gt;; lpt1 likewise to $MPT_LPT1,
its binding, else the first of /dev/lp0 and /dev/usb/lp0. Any of them may be a network
printer&apos;s address, tcp://HOST:PORT. MPT_IO_TIMEOUT_MS sets the
30 s no-progress limit of a write. With --run: exit 0 when the routine ran to its end, 1
when it failed, 2 for a usage error; Ctrl+C, SIGTERM or SIGHUP stops the run at the next
write, prints how far it got and exits 130, 143 or 129. --status exits 0 when the
printer is ready, 3 off line, 4 cover open, 5 paper out, 6 paper near end (a warning),
7 printer error, 8 no answer, 9 the port cannot carry an answer (a FIFO, a file).
</source>
        <translation>
--list, --run, --decode, --render 가 없으면 테스트 콘솔 창을 엽니다.
  --virtual          모든 포트가 콘솔 옆에 보이는 가상 프린터로 연결됩니다
  --listen 주소:포트  TCP로 인쇄하는 프로그램을 위해 가상 프린터가 기다리는 곳
                     (기본값 127.0.0.1:9100, 사용 중이면 빈 포트)
  --state 목록       시작할 때 가상 프린터의 스위치, 쉼표로 구분:
                     near-end, paper-out, cover-open, off-line, drawer-open,
                     recoverable-error, cutter-jam, unrecoverable-error
  --list             열세 가지 테스트: 버튼 이름, 탭, 캡션
  --ports            있는 장치와 각 포트가 연결되는 곳 (탭으로 구분)
  --run 이름         창 없이 테스트 하나를 실행하고 결과 메시지를 출력합니다
  --count 글자       --run 의 반복 횟수 상자 (기본값 10)
  --port 글자        --run 에서 USB 버튼의 포트 번호 상자 (기본값 3)
  --check            실행이 끝난 뒤 프린터의 상태를 물어 결과에 덧붙입니다.
                     이상이 있으면 --status 처럼 3~9 로 끝납니다
  --status           --port N (기본값 1) 이나 --port lpt1 의 프린터에 상태와
                     식별 정보를 묻습니다. 사실 하나에 한 줄, 탭으로 구분
  --dry-run          장치를 건드리지 않음: 모든 채널이 모든 바이트를 받습니다
  --trace 파일       모든 실행의 모든 단계를 JSON Lines 로 기록합니다
  --decode 파일      파일 속 프린터 스트림을 주석을 단 목록으로 보여 줍니다
  --render 파일      파일 속 스트림을 자를 때마다 PNG 한 장씩 --out 디렉터리에 만듭니다

시리얼 포트 n 은 $MPT_COM&lt;n&gt; 이 있으면 그곳으로, 없으면 포트 대화 상자에서 연결한 장치
(장치의 식별자로 기억)로, 그것도 없으면 /dev/ttyS&lt;n-1&gt; 로 연결됩니다. lpt1 도 마찬가지로
$MPT_LPT1, 연결한 장치, /dev/lp0 과 /dev/usb/lp0 중 먼저 있는 것의 순서입니다. 어느 것이든
네트워크 프린터의 주소 tcp://호스트:포트 일 수 있습니다.
MPT_IO_TIMEOUT_MS 는 쓰기가 진행되지 않을 때의 한도 30초를 바꿉니다. --run 의 종료 코드:
테스트가 끝까지 실행되면 0, 실패하면 1, 사용법 오류는 2. Ctrl+C, SIGTERM, SIGHUP 은 다음 쓰기에서
실행을 중지하고, 어디까지 보냈는지 출력한 뒤 각각 130, 143, 129 로 끝납니다. --status 는 프린터가
준비되었으면 0, 오프라인 3, 덮개 열림 4, 용지 없음 5, 용지 거의 없음 6 (경고), 프린터 오류 7,
응답 없음 8, 포트가 응답을 전할 수 없으면 (FIFO, 파일) 9 로 끝납니다.
</translation>
    </message>
    <message>
        <source>--state needs a list of switches</source>
        <translation>--state 에는 스위치 목록이 필요합니다</translation>
    </message>
    <message>
        <source>--port goes with --run or --status</source>
        <translation>--port 는 --run 이나 --status 와 함께 씁니다</translation>
    </message>
    <message>
        <source>--check asks the printer, and --dry-run opens no device: they exclude each other</source>
        <translation>--check 는 프린터에 묻고 --dry-run 은 장치를 열지 않으므로 함께 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--state goes only with --virtual</source>
        <translation>--state 는 --virtual 과 함께만 쓸 수 있습니다</translation>
    </message>
    <message>
        <source>--status goes alone, with --port and --trace</source>
        <translation>--status 는 --port 와 --trace 말고 다른 옵션과 함께 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>--port %1: a serial port&apos;s number (1 to 255) or lpt1</source>
        <translation>--port %1: 시리얼 포트 번호(1~255)나 lpt1 이어야 합니다</translation>
    </message>
    <message>
        <source>--state %1: not a list of the virtual printer&apos;s switches (see --help)</source>
        <translation>--state %1: 가상 프린터의 스위치 목록이 아닙니다 (--help 참고)</translation>
    </message>
    <message>
        <source>       mini-printer-test --run NAME,NAME... | --suite FILE [--report FILE]
                         [--stop-on-failure] [--dry-run] [--check] [--trace FILE]
</source>
        <translation>        mini-printer-test --run 이름,이름... | --suite 파일 [--report 파일]
                          [--stop-on-failure] [--dry-run] [--check] [--trace 파일]
</translation>
    </message>
    <message>
        <source>--check goes with --run or --suite</source>
        <translation>--check 는 --run 이나 --suite 와 함께 씁니다</translation>
    </message>
</context>
<context>
    <name>Conversion</name>
    <message>
        <source>the count box holds &quot;%1&quot;, which is not a number</source>
        <translation>반복 횟수 상자의 &quot;%1&quot;은(는) 숫자가 아닙니다</translation>
    </message>
    <message>
        <source>the port box holds &quot;%1&quot;, which is not a number</source>
        <translation>포트 번호 상자의 &quot;%1&quot;은(는) 숫자가 아닙니다</translation>
    </message>
    <message>
        <source>the count box holds &quot;%1&quot;, too large a number</source>
        <translation>반복 횟수 상자의 &quot;%1&quot;은(는) 너무 큰 숫자입니다</translation>
    </message>
    <message>
        <source>the port box holds &quot;%1&quot;, too large a number</source>
        <translation>포트 번호 상자의 &quot;%1&quot;은(는) 너무 큰 숫자입니다</translation>
    </message>
    <message>
        <source>the port box holds &quot;%1&quot;, outside the port numbers -32768 to 32767</source>
        <translation>포트 번호 상자의 &quot;%1&quot;은(는) 포트 번호 범위 -32768~32767을 벗어납니다</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>%1 is bound to %2, which is not plugged in: plug it in, or choose another device under Ports… (Ctrl+,)</source>
        <translation>%1 은(는) %2 에 연결되어 있는데 그 장치가 꽂혀 있지 않습니다. 장치를 꽂거나, 포트…(Ctrl+,)에서 다른 장치를 고르십시오</translation>
    </message>
    <message>
        <source>%1: the device went away since the last page (%2)</source>
        <translation>%1: 지난 페이지 이후 장치가 없어졌습니다 (%2)</translation>
    </message>
    <message>
        <source>lpt1: no parallel printer port here (neither /dev/lp0 nor /dev/usb/lp0 exists; set MPT_LPT1 to the printer&apos;s device)</source>
        <translation>lpt1: 이 컴퓨터에 병렬 프린터 포트가 없습니다 (/dev/lp0 도 /dev/usb/lp0 도 없습니다. MPT_LPT1 에 프린터 장치를 지정하십시오)</translation>
    </message>
    <message>
        <source>Settings &quot;%1&quot;: expected baud,parity,data bits,stop bits such as 9600,n,8,1</source>
        <translation>Settings &quot;%1&quot;: 9600,n,8,1 처럼 속도,패리티,데이터 비트,정지 비트 형식이어야 합니다</translation>
    </message>
    <message>
        <source>%1: the device went away (%2)</source>
        <translation>%1: 장치가 없어졌습니다 (%2)</translation>
    </message>
    <message>
        <source>%1: not a serial device</source>
        <translation>%1: 시리얼 장치가 아닙니다</translation>
    </message>
    <message>
        <source>%1: in use by another program</source>
        <translation>%1: 다른 프로그램이 사용 중입니다</translation>
    </message>
    <message>
        <source>%1: no printer is reading it</source>
        <translation>%1: 읽고 있는 프린터가 없습니다</translation>
    </message>
    <message>
        <source> (process %1)</source>
        <translation> (프로세스 %1)</translation>
    </message>
    <message>
        <source> (process %1, %2)</source>
        <translation> (프로세스 %1, %2)</translation>
    </message>
    <message>
        <source>%1: the device took no data for %2 (%3 bytes of this write not sent)</source>
        <translation>%1: 장치가 %2 동안 데이터를 받지 않았습니다 (이번 쓰기의 %3바이트를 보내지 못함)</translation>
    </message>
    <message>
        <source>%1: the device went away</source>
        <translation>%1: 장치가 없어졌습니다</translation>
    </message>
    <message>
        <source>%1: the printer had not taken the last statement after %2</source>
        <translation>%1: %2 이 지나도록 프린터가 마지막 문장을 다 받지 않았습니다</translation>
    </message>
    <message>
        <source>file number %1</source>
        <translation>파일 번호 %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the only device file is &quot;lpt1 &quot;</source>
        <translation>&quot;%1&quot;: 장치 파일은 &quot;lpt1 &quot; 하나뿐입니다</translation>
    </message>
    <message>
        <source>file number %1 is not open</source>
        <translation>파일 번호 %1 은(는) 열려 있지 않습니다</translation>
    </message>
    <message>
        <source>CommPort %1: port numbers start at 1</source>
        <translation>CommPort %1: 포트 번호는 1부터 시작합니다</translation>
    </message>
    <message>
        <source>CommPort cannot change while the port is open</source>
        <translation>포트가 열려 있는 동안에는 CommPort 를 바꿀 수 없습니다</translation>
    </message>
    <message>
        <source>COM%1 is already open</source>
        <translation>COM%1 은(는) 이미 열려 있습니다</translation>
    </message>
    <message>
        <source>Handshaking %1: expected 0 to 3</source>
        <translation>Handshaking %1: 0부터 3까지여야 합니다</translation>
    </message>
    <message>
        <source>Output to COM%1</source>
        <translation>COM%1 로 Output</translation>
    </message>
    <message>
        <source>%1: in use by another program (process %2 holds %3)</source>
        <translation>%1: 다른 프로그램이 사용 중입니다 (프로세스 %2 이(가) %3 을(를) 가지고 있음)</translation>
    </message>
    <message>
        <source>%1: %2 baud is not a standard rate</source>
        <translation>%1: %2 baud 는 표준 속도가 아닙니다</translation>
    </message>
    <message>
        <source>%1: mark and space parity</source>
        <translation>%1: mark 및 space 패리티</translation>
    </message>
    <message>
        <source>%1: %2 bytes were still waiting to be sent after %3 without progress</source>
        <translation>%1: 진행 없이 %3 이 지난 뒤에도 %2바이트가 보내지기를 기다리고 있었습니다</translation>
    </message>
    <message>
        <source>cannot be written</source>
        <translation>쓸 수 없습니다</translation>
    </message>
    <message>
        <source>an exception of unknown type</source>
        <translation>알 수 없는 종류의 예외</translation>
    </message>
    <message>
        <source>%1: no connection: %2</source>
        <translation>%1: 연결 안 됨: %2</translation>
    </message>
    <message>
        <source>not an address such as tcp://HOST:PORT</source>
        <translation>tcp://호스트:포트 형식의 주소가 아닙니다</translation>
    </message>
    <message>
        <source>the name was not found within %1</source>
        <translation>%1 안에 이름을 찾지 못했습니다</translation>
    </message>
    <message>
        <source>no answer within %1</source>
        <translation>%1 안에 응답이 없습니다</translation>
    </message>
    <message>
        <source>%1 is a link to %2, which does not exist; nothing is created through a link</source>
        <translation>%1 은(는) 존재하지 않는 %2 을(를) 가리키는 링크입니다. 링크를 거쳐서는 아무것도 만들지 않습니다</translation>
    </message>
    <message>
        <source>%1 %2 is bound to %3 under Ports… (Ctrl+,): choose another device there.</source>
        <translation>%1 %2 은(는) 포트…(Ctrl+,)에서 %3 에 연결되어 있습니다. 그곳에서 다른 장치를 고르십시오.</translation>
    </message>
    <message>
        <source>not a serial device</source>
        <translation>시리얼 장치가 아닙니다</translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 을(를) 읽을 수 없습니다: %2</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>표준 입력</translation>
    </message>
    <message>
        <source>%1 is a directory, not a stream kept in a file: give a file or a FIFO</source>
        <translation>%1 은(는) 디렉터리라서 파일에 담긴 스트림이 아닙니다. 파일이나 FIFO 를 주십시오</translation>
    </message>
    <message>
        <source>%1 is a character device, not a stream kept in a file: give a file or a FIFO</source>
        <translation>%1 은(는) 문자 장치라서 파일에 담긴 스트림이 아닙니다. 파일이나 FIFO 를 주십시오</translation>
    </message>
    <message>
        <source>%1 is a block device, not a stream kept in a file: give a file or a FIFO</source>
        <translation>%1 은(는) 블록 장치라서 파일에 담긴 스트림이 아닙니다. 파일이나 FIFO 를 주십시오</translation>
    </message>
    <message>
        <source>%1 is not a file, not a stream kept in a file: give a file or a FIFO</source>
        <translation>%1 은(는) 파일이 아니라서 파일에 담긴 스트림이 아닙니다. 파일이나 FIFO 를 주십시오</translation>
    </message>
    <message>
        <source>cannot clear the old pages in %1: %2</source>
        <translation>%1 의 이전 페이지를 지울 수 없습니다: %2</translation>
    </message>
    <message>
        <source>cannot make the directory %1: %2</source>
        <translation>디렉터리 %1 을(를) 만들 수 없습니다: %2</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 을(를) 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>(after the last cut: line feeds and marks only, nothing printed; no picture)</source>
        <translation>(마지막 자름 뒤: 줄 바꿈과 표시만 있고 인쇄된 것이 없음; 그림 없음)</translation>
    </message>
</context>
<context>
    <name>Paper</name>
    <message>
        <source>cut again: nothing printed since the previous cut</source>
        <translation>다시 자름: 앞서 자른 뒤로 인쇄된 것이 없음</translation>
    </message>
    <message>
        <source>line attribute (DC3)</source>
        <translation>줄 속성 (DC3)</translation>
    </message>
    <message>
        <source>normal size</source>
        <translation>보통 크기</translation>
    </message>
    <message>
        <source>double width</source>
        <translation>가로 두 배</translation>
    </message>
    <message>
        <source>double height</source>
        <translation>세로 두 배</translation>
    </message>
    <message>
        <source>double width and height</source>
        <translation>가로세로 두 배</translation>
    </message>
    <message>
        <source>size mode %1</source>
        <translation>크기 모드 %1</translation>
    </message>
    <message>
        <source>stored logo image %1
%2</source>
        <translation>저장된 로고 이미지 %1
%2</translation>
    </message>
    <message>
        <source>ITF needs an even number of digits: not printed</source>
        <translation>ITF는 숫자가 짝수 개여야 함: 인쇄되지 않음</translation>
    </message>
    <message>
        <source>ITF wider than the paper: not printed</source>
        <translation>ITF가 용지보다 넓음: 인쇄되지 않음</translation>
    </message>
    <message>
        <source>bar code %1, %2 dots high, module %3</source>
        <translation>바코드 %1, 높이 %2도트, 모듈 %3</translation>
    </message>
    <message>
        <source>picture cut short here: the page is %1 dots long, the first %2 are drawn</source>
        <translation>그림이 여기서 잘림: 페이지 길이 %1도트 중 처음 %2도트만 그림</translation>
    </message>
    <message>
        <source>page %1</source>
        <translation>%1쪽</translation>
    </message>
    <message>
        <source>EPSON mode</source>
        <translation>EPSON 모드</translation>
    </message>
    <message>
        <source>CBM mode</source>
        <translation>CBM 모드</translation>
    </message>
    <message>
        <source>partial cut</source>
        <translation>부분 자름</translation>
    </message>
    <message>
        <source>full cut</source>
        <translation>완전 자름</translation>
    </message>
    <message>
        <source>torn off uncut: a page longer than %1 lines</source>
        <translation>자르지 않고 뜯어냄: %1줄보다 긴 페이지</translation>
    </message>
    <message>
        <source>not cut yet</source>
        <translation>아직 자르지 않음</translation>
    </message>
    <message>
        <source>truncated: print bar code, %1 of %2 data bytes arrived before the end of the stream</source>
        <translation>잘림: 바코드 인쇄, 스트림이 끝나기 전에 데이터 %2바이트 중 %1바이트만 도착함</translation>
    </message>
    <message>
        <source>print bar code (GS k m n d1 … dn)</source>
        <translation>바코드 인쇄 (GS k m n d1 … dn)</translation>
    </message>
    <message>
        <source>select print mode (ESC ! n)</source>
        <translation>인쇄 모드 선택 (ESC ! n)</translation>
    </message>
    <message>
        <source>underline (ESC - n)</source>
        <translation>밑줄 (ESC - n)</translation>
    </message>
    <message>
        <source>print colour (ESC r n)</source>
        <translation>인쇄 색 (ESC r n)</translation>
    </message>
    <message>
        <source>drawer pulse (ESC p m t1 t2)</source>
        <translation>돈통 펄스 (ESC p m t1 t2)</translation>
    </message>
    <message>
        <source>print stored logo image (FS p n m)</source>
        <translation>저장된 로고 이미지 인쇄 (FS p n m)</translation>
    </message>
    <message>
        <source>bar code height (GS h n)</source>
        <translation>바코드 높이 (GS h n)</translation>
    </message>
    <message>
        <source>bar code module width (GS w n)</source>
        <translation>바코드 모듈 폭 (GS w n)</translation>
    </message>
    <message>
        <source>bar code text position (GS H n)</source>
        <translation>바코드 문자 위치 (GS H n)</translation>
    </message>
    <message>
        <source>cut (ESC P NUL)</source>
        <translation>자름 (ESC P NUL)</translation>
    </message>
    <message>
        <source>page bracket (SYN n)</source>
        <translation>페이지 괄호 (SYN n)</translation>
    </message>
    <message>
        <source>truncated: %1 at the end of the stream</source>
        <translation>잘림: 스트림 끝의 %1</translation>
    </message>
    <message>
        <source>truncated: %1 cut short by the end of the stream</source>
        <translation>잘림: %1, 스트림이 끝나 중간에 끊김</translation>
    </message>
    <message>
        <source>drawer pulse: connector pin %1 (not defined), %2 ms on, %3 ms off</source>
        <translation>돈통 펄스: 커넥터 핀 %1 (정의되지 않음), %2ms 켜짐, %3ms 꺼짐</translation>
    </message>
    <message>
        <source>drawer pulse: connector pin %1, %2 ms on, %3 ms off</source>
        <translation>돈통 펄스: 커넥터 핀 %1, %2ms 켜짐, %3ms 꺼짐</translation>
    </message>
    <message>
        <source>page bracket: closes the page</source>
        <translation>페이지 괄호: 페이지를 닫음</translation>
    </message>
    <message>
        <source>page bracket: opens a page</source>
        <translation>페이지 괄호: 페이지를 엶</translation>
    </message>
    <message>
        <source>page bracket %1 (neither opens nor closes)</source>
        <translation>페이지 괄호 %1 (열지도 닫지도 않음)</translation>
    </message>
    <message>
        <source>unknown: bar code symbology %1 is not one this printer reads; its data follow as they are</source>
        <translation>알 수 없음: 바코드 종류 %1은(는) 이 프린터가 읽지 않는 것임; 그 데이터는 그대로 이어짐</translation>
    </message>
    <message>
        <source>unknown: control byte %1 (%2) is not a command here</source>
        <translation>알 수 없음: 제어 바이트 %1 (%2)은(는) 여기서 명령이 아님</translation>
    </message>
    <message>
        <source>unknown: %1 is not a command here</source>
        <translation>알 수 없음: %1은(는) 여기서 명령이 아님</translation>
    </message>
    <message>
        <source>%1: the data cannot be encoded</source>
        <translation>%1: 이 데이터는 부호화할 수 없음</translation>
    </message>
    <message>
        <source>%1 wider than the paper: not printed</source>
        <translation>%1이(가) 용지보다 넓음: 인쇄되지 않음</translation>
    </message>
    <message>
        <source>QR code, %1 modules, module %2 dots</source>
        <translation>QR 코드, %1모듈, 모듈 %2도트</translation>
    </message>
    <message>
        <source>PDF417, %1 rows of %2 modules, module %3 dots</source>
        <translation>PDF417, %1행 %2모듈, 모듈 %3도트</translation>
    </message>
    <message>
        <source>picture of %1 bytes, too large to keep: not drawn</source>
        <translation>%1바이트의 그림, 보관하기에 너무 커서 그리지 않음</translation>
    </message>
</context>
<context>
    <name>Ports</name>
    <message>
        <source>nothing</source>
        <translation>없음</translation>
    </message>
    <message>
        <source>%1 (not plugged in)</source>
        <translation>%1 (연결되어 있지 않음)</translation>
    </message>
    <message>
        <source>%1 (missing)</source>
        <translation>%1 (없음)</translation>
    </message>
    <message>
        <source>No serial device is present on this machine; plug in the printer&apos;s cable or adapter.</source>
        <translation>이 컴퓨터에 시리얼 장치가 없습니다. 프린터의 케이블이나 어댑터를 꽂으십시오.</translation>
    </message>
    <message>
        <source>Serial devices present: %1. Map a port to one with MPT_COM&lt;n&gt;=DEVICE.</source>
        <translation>있는 시리얼 장치: %1. MPT_COM&lt;n&gt;=장치 로 포트를 그중 하나에 연결하십시오.</translation>
    </message>
    <message>
        <source>owned by %1:%2 with mode %3</source>
        <translation>소유자 %1:%2, 권한 %3</translation>
    </message>
    <message>
        <source>join the %1 group, then log in again</source>
        <translation>%1 그룹에 가입한 뒤 다시 로그인하십시오</translation>
    </message>
    <message>
        <source>%1, so no group may write to it; ask for write access, or run as its owner</source>
        <translation>%1 이라서 어느 그룹도 쓸 수 없습니다. 쓰기 권한을 요청하거나 소유자로 실행하십시오</translation>
    </message>
    <message>
        <source>it cannot be made in %1, %2</source>
        <translation>%1 에 만들 수 없습니다 (%2)</translation>
    </message>
    <message>
        <source>neither it nor its directory can be looked at</source>
        <translation>장치도 그 디렉터리도 살펴볼 수 없습니다</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>일련번호 %1</translation>
    </message>
    <message>
        <source>  [not for this user: %1]</source>
        <translation>  [이 사용자는 쓸 수 없음: %1]</translation>
    </message>
    <message>
        <source>the serial device %1</source>
        <translation>시리얼 장치 %1</translation>
    </message>
    <message>
        <source>the printer %1 %2</source>
        <translation>프린터 %1 %2</translation>
    </message>
    <message>
        <source>the printer %1 %2 (serial %3)</source>
        <translation>프린터 %1 %2 (일련번호 %3)</translation>
    </message>
    <message>
        <source>%1 (network address)</source>
        <translation>%1 (네트워크 주소)</translation>
    </message>
    <message>
        <source>%1 (present)</source>
        <translation>%1 (있음)</translation>
    </message>
</context>
<context>
    <name>PrinterStatus</name>
    <message>
        <source>ready</source>
        <translation>준비됨</translation>
    </message>
    <message>
        <source>off line</source>
        <translation>오프라인</translation>
    </message>
    <message>
        <source>cover open</source>
        <translation>덮개 열림</translation>
    </message>
    <message>
        <source>paper out</source>
        <translation>용지 없음</translation>
    </message>
    <message>
        <source>paper near end</source>
        <translation>용지 거의 없음</translation>
    </message>
    <message>
        <source>printer error</source>
        <translation>프린터 오류</translation>
    </message>
    <message>
        <source>no answer: this printer or its cable does not send data back</source>
        <translation>응답 없음: 이 프린터나 케이블은 데이터를 돌려보내지 않습니다</translation>
    </message>
    <message>
        <source>this port cannot answer: it leads to a FIFO, a plain file or a port without read-back</source>
        <translation>이 포트는 응답할 수 없습니다: FIFO, 일반 파일 또는 되읽기가 없는 포트로 연결됩니다</translation>
    </message>
    <message>
        <source>Printer after the run: %1</source>
        <translation>실행 후 프린터: %1</translation>
    </message>
    <message>
        <source>%1 (%2): %3</source>
        <translation>%1 (%2): %3</translation>
    </message>
    <message>
        <source>on line</source>
        <translation>온라인</translation>
    </message>
    <message>
        <source>cover closed</source>
        <translation>덮개 닫힘</translation>
    </message>
    <message>
        <source>paper loaded</source>
        <translation>용지 있음</translation>
    </message>
    <message>
        <source>drawer open</source>
        <translation>돈통 열림</translation>
    </message>
    <message>
        <source>drawer closed</source>
        <translation>돈통 닫힘</translation>
    </message>
    <message>
        <source>the feed button is pressed</source>
        <translation>용지 공급 버튼이 눌려 있음</translation>
    </message>
    <message>
        <source>recoverable error</source>
        <translation>복구 가능한 오류</translation>
    </message>
    <message>
        <source>cutter error</source>
        <translation>커터 오류</translation>
    </message>
    <message>
        <source>unrecoverable error</source>
        <translation>복구할 수 없는 오류</translation>
    </message>
    <message>
        <source>error that clears by itself</source>
        <translation>저절로 풀리는 오류</translation>
    </message>
    <message>
        <source>model: %1 %2</source>
        <translation>모델: %1 %2</translation>
    </message>
    <message>
        <source>firmware: %1</source>
        <translation>펌웨어: %1</translation>
    </message>
    <message>
        <source>two-byte characters: %1, cutter: %2</source>
        <translation>2바이트 문자: %1, 커터: %2</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>예</translation>
    </message>
    <message>
        <source>no</source>
        <translation>아니요</translation>
    </message>
</context>
<context>
    <name>Run</name>
    <message>
        <source>%1 s</source>
        <translation>%1초</translation>
    </message>
    <message>
        <source>no port yet</source>
        <translation>아직 포트 없음</translation>
    </message>
    <message>
        <source>%1 of about %2 bytes</source>
        <translation>약 %2바이트 중 %1바이트</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1바이트</translation>
    </message>
    <message>
        <source>repetition %1 of %2</source>
        <translation>반복 %2회 중 %1회째</translation>
    </message>
    <message>
        <source>paper out</source>
        <translation>용지 없음</translation>
    </message>
    <message>
        <source>paper ok</source>
        <translation>용지 있음</translation>
    </message>
    <message>
        <source>off line</source>
        <translation>오프라인</translation>
    </message>
    <message>
        <source>on line</source>
        <translation>온라인</translation>
    </message>
    <message>
        <source>error</source>
        <translation>오류</translation>
    </message>
    <message>
        <source>no error</source>
        <translation>오류 없음</translation>
    </message>
    <message>
        <source>stalled: DSR low: the printer is off or the cable is out</source>
        <translation>멈춤: DSR 낮음: 프린터가 꺼져 있거나 케이블이 빠졌습니다</translation>
    </message>
    <message>
        <source>stalled: CTS low for %1 (the printer is busy or its buffer is full)</source>
        <translation>멈춤: %1 동안 CTS 낮음 (프린터가 바쁘거나 버퍼가 찼습니다)</translation>
    </message>
    <message>
        <source>stalled: paper out</source>
        <translation>멈춤: 용지 없음</translation>
    </message>
    <message>
        <source>stalled: off line</source>
        <translation>멈춤: 오프라인</translation>
    </message>
    <message>
        <source>stalled: the printer reports an error</source>
        <translation>멈춤: 프린터가 오류를 알립니다</translation>
    </message>
    <message>
        <source>stalled: the device took no data for %1</source>
        <translation>멈춤: 장치가 %1 동안 데이터를 받지 않았습니다</translation>
    </message>
    <message>
        <source>failed with error %1 (%2)</source>
        <translation>오류 %1 (%2)로 실패</translation>
    </message>
    <message>
        <source>; last seen: %1</source>
        <translation>; 마지막 상태: %1</translation>
    </message>
    <message>
        <source>Nothing sent: no repetition asked for.</source>
        <translation>보낸 것 없음: 반복 횟수가 0입니다.</translation>
    </message>
    <message>
        <source>Sent %1 bytes to %2 in %3</source>
        <translation>%2 로 %1바이트를 %3 만에 보냈습니다</translation>
    </message>
    <message>
        <source> (the wire needs %1 at 9600 baud)</source>
        <translation> (9600 baud 선로로는 %1 필요)</translation>
    </message>
    <message>
        <source>%1 after %2</source>
        <translation>%2 보낸 뒤 %1</translation>
    </message>
    <message>
        <source>; %1 bytes handed over were not taken and were discarded</source>
        <translation>; 넘겨준 %1바이트는 받아지지 않아 버렸습니다</translation>
    </message>
    <message>
        <source>%1 (the trace was not written, from that step on)</source>
        <translation>%1 (이 단계부터 기록을 쓰지 못했습니다)</translation>
    </message>
    <message>
        <source> (network)</source>
        <translation> (네트워크)</translation>
    </message>
    <message>
        <source>%1 of more than %2 bytes</source>
        <translation>%2바이트가 넘는 양 중 %1바이트</translation>
    </message>
    <message>
        <source>more than %1</source>
        <translation>%1 초과</translation>
    </message>
    <message>
        <source>Stopped before the first repetition: %1 sent, %2 discarded</source>
        <translation>첫 반복 전에 중지: %1 보냄, %2바이트 버림</translation>
    </message>
    <message>
        <source>Stopped in repetition %1 of %2: %3 complete; %4 sent, %5 discarded</source>
        <translation>반복 %2회 중 %1회째에 중지: %3회 완료; %4 보냄, %5바이트 버림</translation>
    </message>
    <message>
        <source>Stopped after repetition %1 of %2: %3 complete; %4 sent, %5 discarded</source>
        <translation>반복 %2회 중 %1회째 뒤에 중지: %3회 완료; %4 보냄, %5바이트 버림</translation>
    </message>
</context>
<context>
    <name>Suite</name>
    <message>
        <source>cannot write the report %1: %2</source>
        <translation>보고서 %1 에 쓸 수 없습니다: %2</translation>
    </message>
    <message>
        <source>not run: the suite ended before it</source>
        <translation>실행하지 않음: 묶음이 이 테스트 전에 끝났습니다</translation>
    </message>
    <message>
        <source>not run: --stop-on-failure ended the suite at an earlier failure</source>
        <translation>실행하지 않음: 앞선 실패에서 --stop-on-failure 가 묶음을 끝냈습니다</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is one field too many: a line holds a routine, its count and its port</source>
        <translation>&quot;%1&quot; 은(는) 남는 칸입니다: 한 줄에는 테스트, 횟수, 포트만 적습니다</translation>
    </message>
    <message>
        <source>%1 names no routine</source>
        <translation>%1 에 테스트가 하나도 없습니다</translation>
    </message>
    <message>
        <source>cannot read the suite file %1: %2</source>
        <translation>묶음 파일 %1 을(를) 읽을 수 없습니다: %2</translation>
    </message>
    <message>
        <source>the suite file %1 is larger than 1 MB: not a suite</source>
        <translation>묶음 파일 %1 이 1 MB 보다 큽니다: 묶음 파일이 아닙니다</translation>
    </message>
    <message>
        <source>cannot read the suite file %1</source>
        <translation>묶음 파일 %1 을(를) 읽을 수 없습니다</translation>
    </message>
    <message>
        <source>a report is not written under /dev, /proc or /sys</source>
        <translation>보고서는 /dev, /proc, /sys 아래에 쓰지 않습니다</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>일반 파일이 아닙니다</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>No font with Hangul is installed: the Korean texts show as empty boxes. Install the package fonts-nanum.</source>
        <translation>한글 글꼴이 설치되어 있지 않아 한국어 글자가 빈 상자로 보입니다. fonts-nanum 패키지를 설치하십시오.</translation>
    </message>
    <message>
        <source>cannot write to standard output: %1</source>
        <translation>표준 출력에 쓸 수 없습니다: %1</translation>
    </message>
    <message>
        <source>cannot write to standard output</source>
        <translation>표준 출력에 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>the ports lead to the virtual printer:</source>
        <translation>포트가 가상 프린터로 연결됩니다:</translation>
    </message>
    <message>
        <source>no display: DISPLAY is not set; --run, --list and --decode work without one</source>
        <translation>디스플레이 없음: DISPLAY가 설정되어 있지 않습니다; --run, --list, --decode는 디스플레이 없이 동작합니다</translation>
    </message>
    <message>
        <source>no display: %1 cannot be opened; --run, --list and --decode work without one</source>
        <translation>디스플레이 없음: %1을(를) 열 수 없습니다; --run, --list, --decode는 디스플레이 없이 동작합니다</translation>
    </message>
</context>
<context>
    <name>mpt::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <source>Stop the run at the next write (Esc)</source>
        <translation>다음 쓰기에서 실행을 중지합니다 (Esc)</translation>
    </message>
    <message>
        <source>Ports…</source>
        <translation>포트…</translation>
    </message>
    <message>
        <source>Choose the devices the ports lead to (Ctrl+,)</source>
        <translation>포트가 연결될 장치를 고릅니다 (Ctrl+,)</translation>
    </message>
    <message>
        <source>Stopping at the next write…</source>
        <translation>다음 쓰기에서 중지하는 중…</translation>
    </message>
    <message>
        <source>Ready. </source>
        <translation>준비. </translation>
    </message>
    <message>
        <source>: starting</source>
        <translation>: 시작하는 중</translation>
    </message>
    <message>
        <source>Repeat count: how many times each test prints its page</source>
        <translation>반복 횟수: 각 테스트가 페이지를 몇 번 인쇄하는지</translation>
    </message>
    <message>
        <source>Result of the last test</source>
        <translation>마지막 테스트의 결과</translation>
    </message>
    <message>
        <source>SERIAL NO: the serial port number the USB button prints to</source>
        <translation>SERIAL NO: USB 버튼이 인쇄하는 시리얼 포트 번호</translation>
    </message>
    <message>
        <source>Dry run: nothing is sent, no device is opened.</source>
        <translation>시험 실행: 아무것도 보내지 않고 장치도 열지 않습니다.</translation>
    </message>
    <message>
        <source>Printer status</source>
        <translation>프린터 상태</translation>
    </message>
    <message>
        <source>Ask the printer its status and what it is (Ctrl+.)</source>
        <translation>프린터에 상태와 기종을 묻습니다 (Ctrl+.)</translation>
    </message>
</context>
<context>
    <name>mpt::PortSettings</name>
    <message>
        <source>The port bindings cannot be saved in %1.</source>
        <translation>포트 연결을 %1에 저장할 수 없습니다.</translation>
    </message>
    <message>
        <source>The saved port bindings in %1 cannot be read; they are ignored until they are saved again.</source>
        <translation>%1에 저장된 포트 연결을 읽을 수 없습니다. 다시 저장할 때까지 무시합니다.</translation>
    </message>
    <message>
        <source>The saved port bindings in %1 hold &quot;%2&quot;, which names no port; it is ignored.</source>
        <translation>%1에 저장된 포트 연결의 &quot;%2&quot;은(는) 포트 이름이 아니므로 무시합니다.</translation>
    </message>
    <message>
        <source>The saved port bindings in %1 cannot be read: it is not a plain file. They are ignored, and not saved there.</source>
        <translation>%1에 저장된 포트 연결을 읽을 수 없습니다: 일반 파일이 아닙니다. 무시하며, 그곳에 저장하지도 않습니다.</translation>
    </message>
    <message>
        <source>The saved port bindings in %1 hold %2, which name no port; they are ignored.</source>
        <translation>%1에 저장된 포트 연결의 %2은(는) 포트 이름이 아니므로 무시합니다.</translation>
    </message>
    <message>
        <source>The saved port bindings in %1 bind %2 to what is no device or address; ignored.</source>
        <translation>%1에 저장된 포트 연결은 %2을(를) 장치도 주소도 아닌 것에 연결하므로 무시합니다.</translation>
    </message>
    <message>
        <source>The binding of %1 holds a line end, a tab or another control character; it is not saved.</source>
        <translation>%1의 연결에 줄 바꿈, 탭 또는 다른 제어 문자가 들어 있어 저장하지 않습니다.</translation>
    </message>
    <message>
        <source>The settings cannot be saved in %1.</source>
        <translation>설정을 %1 에 저장할 수 없습니다.</translation>
    </message>
</context>
<context>
    <name>mpt::PortsDialog</name>
    <message>
        <source>Ports</source>
        <translation>포트</translation>
    </message>
    <message>
        <source>Devices on this machine:</source>
        <translation>이 컴퓨터의 장치:</translation>
    </message>
    <message>
        <source>Another port number:</source>
        <translation>다른 포트 번호:</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>추가(&amp;A)</translation>
    </message>
    <message>
        <source>Bind this port number too (Alt+A)</source>
        <translation>이 포트 번호도 연결합니다 (Alt+A)</translation>
    </message>
    <message>
        <source>the virtual printer: %1</source>
        <translation>가상 프린터: %1</translation>
    </message>
    <message>
        <source>set by %1: %2</source>
        <translation>%1 환경 변수로 지정됨: %2</translation>
    </message>
    <message>
        <source>built-in: %1</source>
        <translation>기본값: %1</translation>
    </message>
    <message>
        <source>No serial device or printer is present.</source>
        <translation>시리얼 장치나 프린터가 없습니다.</translation>
    </message>
    <message>
        <source>%1: no state to show (it cannot tell, or another program has it)</source>
        <translation>%1: 표시할 상태가 없습니다 (장치가 알려 주지 않거나 다른 프로그램이 사용 중입니다)</translation>
    </message>
    <message>
        <source>a device from the list, a path, or tcp://HOST:PORT</source>
        <translation>목록의 장치, 경로 또는 tcp://호스트:포트</translation>
    </message>
    <message>
        <source>The device for %1 holds a line end, a tab or another control character: no device or address has one.</source>
        <translation>%1의 장치에 줄 바꿈, 탭 또는 다른 제어 문자가 들어 있습니다. 그런 장치나 주소는 없습니다.</translation>
    </message>
</context>
<context>
    <name>mpt::PreviewWindow</name>
    <message>
        <source>&amp;Clear paper</source>
        <translation>용지 비우기(&amp;C)</translation>
    </message>
    <message>
        <source>Take the printed pages out of the printer (Alt+C)</source>
        <translation>인쇄된 페이지를 프린터에서 꺼냅니다 (Alt+C)</translation>
    </message>
    <message>
        <source>Virtual printer</source>
        <translation>가상 프린터</translation>
    </message>
    <message>
        <source>COM1 … COM9 and lpt1 lead here. %1 bytes received, %2 pages cut.</source>
        <translation>COM1 … COM9와 lpt1이 여기로 연결됩니다. %1바이트 받음, %2장 자름.</translation>
    </message>
    <message>
        <source> The oldest %1 are no longer kept; the last %2 are listed.</source>
        <translation> 가장 오래된 %1장은 더 이상 보관하지 않으며, 최근 %2장을 보여 줍니다.</translation>
    </message>
    <message>
        <source>No paper has come out yet.</source>
        <translation>아직 나온 용지가 없습니다.</translation>
    </message>
    <message>
        <source>COM1 … COM9, lpt1 and %1 lead here. %2 bytes received, %3 pages cut.</source>
        <translation>COM1 … COM9, lpt1과 %1이 여기로 연결됩니다. %2바이트 받음, %3장 자름.</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>프린터</translation>
    </message>
    <message>
        <source>What the printer answers when asked its status; paper out, cover open, off line and an error make it take no more bytes until cleared</source>
        <translation>상태를 물으면 프린터가 답하는 내용. 용지 없음, 덮개 열림, 오프라인, 오류가 있으면 풀릴 때까지 더 이상 바이트를 받지 않습니다</translation>
    </message>
    <message>
        <source>Paper loaded</source>
        <translation>용지 있음</translation>
    </message>
    <message>
        <source>Paper near end</source>
        <translation>용지 거의 없음</translation>
    </message>
    <message>
        <source>Paper out</source>
        <translation>용지 없음</translation>
    </message>
    <message>
        <source>Cover open</source>
        <translation>덮개 열림</translation>
    </message>
    <message>
        <source>Off line</source>
        <translation>오프라인</translation>
    </message>
    <message>
        <source>Drawer open</source>
        <translation>돈통 열림</translation>
    </message>
    <message>
        <source>No error</source>
        <translation>오류 없음</translation>
    </message>
    <message>
        <source>Recoverable error</source>
        <translation>복구 가능한 오류</translation>
    </message>
    <message>
        <source>Cutter jam</source>
        <translation>커터 걸림</translation>
    </message>
    <message>
        <source>Unrecoverable error</source>
        <translation>복구할 수 없는 오류</translation>
    </message>
</context>
<context>
    <name>mpt::PrinterStatusDialog</name>
    <message>
        <source>Printer status</source>
        <translation>프린터 상태</translation>
    </message>
    <message>
        <source>Ask</source>
        <translation>묻기</translation>
    </message>
    <message>
        <source>Choose the port and ask: the printer says its status and what it is, where its cable carries data back.</source>
        <translation>포트를 고르고 물으십시오: 케이블이 데이터를 돌려보내는 프린터는 자신의 상태와 기종을 알려 줍니다.</translation>
    </message>
    <message>
        <source>Ask the printer after each run</source>
        <translation>실행할 때마다 끝난 뒤 프린터에 묻기</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>포트:</translation>
    </message>
    <message>
        <source>Asking %1…</source>
        <translation>%1 에 묻는 중…</translation>
    </message>
    <message>
        <source>Closing once the question under way has its answer…</source>
        <translation>진행 중인 질문에 답이 오면 닫습니다…</translation>
    </message>
    <message>
        <source>error %1: %2</source>
        <translation>오류 %1: %2</translation>
    </message>
    <message>
        <source>the question failed: %1</source>
        <translation>질문하지 못했습니다: %1</translation>
    </message>
</context>
<context>
    <name>mpt::VirtualPrinter</name>
    <message>
        <source>the virtual printer cannot listen on %1: %2</source>
        <translation>가상 프린터가 %1에서 연결을 기다릴 수 없습니다: %2</translation>
    </message>
</context>
</TS>
