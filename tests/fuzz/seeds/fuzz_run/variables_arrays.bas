10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 60,70,80,90 ELSE GOTO 100
20 DIM A(2,3)
30 FOR I%=0 TO 2: FOR J%=0 TO 3: A(I%,J%)=I%*10+J%: NEXT: NEXT
40 PRINT ;A(2,3);" ";DIM(A());" ";DIM(A(),1);" ";DIM(A(),2);" ";(^A(2,3)-^A(0,0)) DIV 5 + 1
50 PRINT A(3,0)
60 PRINT A(1)
70 PRINT A(-1,0)
80 PRINT A(0,0,0)
90 PRINT DIM(A(),3)
100 A()=5: PRINT ;SUM(A())
110 A()=1,2: PRINT ;A(0,0);" ";A(0,1);" ";A(0,2);" ";SUM(A())
120 DIM B(1): B()=7,8
130 SWAP A(),B(): PRINT ;DIM(A(),1);" ";A(1);" ";DIM(B(),1);" ";B(2,3)
140 DIM C(1): C()=A(): PRINT ;C(0)+C(1)
150 C()+=A(): PRINT ;C(0);" ";C(1)
160 C()*=2,3: PRINT ;C(0);" ";C(1)
170 DIM S$(2): S$()="x": S$(1)+="y": S$()+="!": PRINT S$(0);S$(1);S$(2)
180 C%=0: ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 200,210 ELSE END
190 C()=B()
200 C()=S$()
210 C()=NOPE()
