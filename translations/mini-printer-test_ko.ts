<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>main</name>
    <message>
        <source>No font with Hangul is installed: the Korean texts show as empty boxes. Install the package fonts-nanum.</source>
        <translation>한글 글꼴이 설치되어 있지 않아 한국어 글자가 빈 상자로 보입니다. fonts-nanum 패키지를 설치하십시오.</translation>
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
        <source>a device from the list, or a path</source>
        <translation>목록의 장치 또는 경로</translation>
    </message>
    <message>
        <source>built-in: %1</source>
        <translation>기본값: %1</translation>
    </message>
    <message>
        <source>%1 (not plugged in)</source>
        <translation>%1 (연결되어 있지 않음)</translation>
    </message>
    <message>
        <source>No serial device or printer is present.</source>
        <translation>시리얼 장치나 프린터가 없습니다.</translation>
    </message>
    <message>
        <source>%1: no state to show (it cannot tell, or another program has it)</source>
        <translation>%1: 표시할 상태가 없습니다 (장치가 알려 주지 않거나 다른 프로그램이 사용 중입니다)</translation>
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
</context>
</TS>
